#pragma once
// The live comment server's stream: XML elements each ended by a NUL byte, arriving in pieces
// cut anywhere. The reader counts the new chat elements a read completes (to know when the
// asked number has come) and takes the complete elements out, leaving an unfinished one for
// the next call.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/parse/parse_context.h"

namespace pelmora::engine {

// A server that never ends an element must not make the buffer grow without end.
inline constexpr size_t kMaxLiveBytes = 16u * 1024u * 1024u;

// Counts the new chat elements completed in a buffer that only grows between calls of
// Update. New means what takeCompleteElements would deliver: a chat without a number, or one
// numbered above every comment delivered or counted before (`deliveredUpTo` at the start).
class LiveElementCounter {
public:
    explicit LiveElementCounter(int64_t deliveredUpTo = -1) : m_highest(deliveredUpTo) {}
    // Counts the elements ended by NULs in buffer[countedUpTo, size).
    void Update(std::string_view buffer);
    // New complete chat elements, deleted (self-closed) ones included.
    int Chats() const { return m_chats; }

private:
    int m_chats = 0;
    int64_t m_highest;
    size_t m_countedUpTo = 0;  // where the count continues
    size_t m_elementStart = 0;
};

// The number in the no attribute of an element's chat start tag; -1 when the element holds no
// chat start tag or the tag has no usable number. Only the tag's own attributes count: a
// comment text or another attribute's value that reads ` no="..."` is no number.
int64_t liveChatNumber(std::string_view element);

// The complete elements of `received` (each ended by NUL), less the comments delivered before
// (context.liveLastNo), with each NUL turned to a space. What follows the last NUL becomes
// context.liveTail, for the next call; `received` itself is used up.
std::string takeCompleteElements(std::string& received, ParseContext& context);

}  // namespace pelmora::engine
