#pragma once
// One comment as the engine holds it between parsing and delivery. It is the flat record the
// caller receives (ChatEntry) itself: delivering a batch only links the items through `next`,
// so a million comments need neither a second block nor a copy. Its strings live in the
// context's TextPool (or are constants) and are NUL-terminated.

#include <string_view>

#include "engine/pelmora2.h"

namespace pelmora::engine {

struct ChatItem : ChatEntry {
    // Numbers 0, strings empty (never null), not linked.
    ChatItem() : ChatEntry{} { thread = userId = text = mail = boundaryText(u""); }

    static const pelmora_wchar* boundaryText(const char16_t* text)
    {
        // The same 16-bit units on every platform; only the type's name differs.
        return reinterpret_cast<const pelmora_wchar*>(text);
    }
};

// The text of one of a comment's string fields.
inline std::u16string_view textOf(const pelmora_wchar* text)
{
    return text ? std::u16string_view(reinterpret_cast<const char16_t*>(text)) : std::u16string_view();
}

}  // namespace pelmora::engine
