#pragma once
// A catalogue chat as today's segmented stream carries it, and the stream's length-delimited
// framing. The protobuf types stay behind this header and the streams' file.

#include "tools/nicosim/catalogue.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace nicosim {

// The serialized ChunkedMessage of chat `index` of the broadcast: meta.id "<lv>:<no>", meta.at
// the chat's date and date_usec, the chat with its number, vpos, account status, user id (raw
// for a numeric one, hashed for a "184" one) and the modifier read from its mail.
std::string chunkedChatMessage(const Catalogue& catalogue, const LiveFacts& live, const ThreadFacts& thread, int index);

// The serialized PackedSegment of chats [from, to), and next.uri when `nextUri` is not empty.
std::string packedChats(const Catalogue& catalogue, const LiveFacts& live, const ThreadFacts& thread, int from, int to,
                        std::string_view nextUri);

// `message` preceded by its length as a varint.
void appendDelimited(std::string& out, std::string_view message);

} // namespace nicosim
