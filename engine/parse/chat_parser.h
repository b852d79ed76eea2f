#pragma once
// The comment servers' XML dialect: one `thread` element, an optional `view_counter` element
// and one `chat` element per comment. The walk is deliberately not a general XML parser: it
// looks for markers from positions, the way the servers' answers have always been read, so
// that odd answers are read the same way they always were.
//
// It reads the answer's UTF-8 bytes as they came. Every marker is ASCII, and an ASCII byte is
// never part of a longer UTF-8 sequence, not even of an ill-formed one, so the walk finds the
// same elements in the bytes as in the text they encode; only the field values are converted,
// straight into the context's pool.

#include <concepts>
#include <cstdint>
#include <string_view>

#include "engine/parse/parse_context.h"
#include "qarvo/text/string.h"

namespace pelmora::engine {

// firstNumber: -1 keeps the numbers the server sends (a missing `no` stays 0); otherwise
// comments are numbered from it in document order, and a `no` attribute still overrides.
inline constexpr int kNoRunningNumbers = -1;

// How much work a walk did: the bytes of the answer it looked at, counted by every search.
// The walk is linear in the size of the answer whatever its shape; tests check it with this.
struct ChatWalkStats {
    uint64_t unitsExamined = 0;
};

// Appends one ChatItem per `chat` element of the UTF-8 answer `xml` to context.chats, in
// document order, and updates the thread information (viewCounter, lastRes and serverTime
// start again from 0). Ill-formed UTF-8 in a value reads as U+FFFD. Returns false when the walk
// stopped at an element without its terminator; the comments before it stay.
bool parseChats(ParseContext& context, std::string_view xml, int firstNumber, ChatWalkStats* stats = nullptr);
// The same over UTF-16 text (read as its UTF-8 form).
bool parseChats(ParseContext& context, std::u16string_view xml, int firstNumber, ChatWalkStats* stats = nullptr);
// (Templates only so that literals and the standard strings pick the view forms unambiguously.)
template <class Text>
    requires std::same_as<Text, qarvo::C_WString> || std::same_as<Text, qarvo::C_String>
bool parseChats(ParseContext& context, const Text& xml, int firstNumber)
{
    return parseChats(context, xml.view(), firstNumber);
}

}  // namespace pelmora::engine
