#pragma once
// The connection phase of a live job: the browser's login, the broadcast's page, its player
// status (the comment server and thread) and the comment server's connection with the
// request for the last `count` comments.

#include "engine/parse/parse_context.h"

namespace pelmora::engine {

// A result code: 0 with context.liveSocket and context.liveThread set; 7 stopped, 8 the page
// answered 404, 9 the broadcast has ended, 1 anything else that failed.
int connectLive(const char* address, ParseContext& context, int count);

}  // namespace pelmora::engine
