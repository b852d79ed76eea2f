#pragma once
// The chat walk over UTF-16 text as it was before the walk read UTF-8 bytes (see the .cpp).

#include <string>
#include <string_view>

#include "engine/parse/chat_parser.h"

namespace pelmora::engine::reference {

bool parseChats(ParseContext& context, std::u16string_view xml, int firstNumber, ChatWalkStats* stats = nullptr);

// Empty when the two walks gave the same comments, field for field, and the same thread
// information; else what differs first.
std::string differenceOf(const ParseContext& walked, const ParseContext& expected);

}  // namespace pelmora::engine::reference
