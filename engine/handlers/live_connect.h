#pragma once
// The connection phase of a live job: the browser's login, the broadcast's page, its player
// status (the comment server and thread) and the comment server's connection with the
// request for the last `count` comments.

#include "engine/parse/parse_context.h"

namespace pelmora::engine {

// The broadcast's watch page as fetched with the browser's login.
struct WatchPage {
    qarvo::C_String cookie;
    qarvo::C_String finalUrl;
    qarvo::C_String text;
};

// 0 with `page` filled; 7 stopped, 8 the page answered 404, 1 anything else that failed.
// It also names the job ("ニコ生(ID)").
int fetchWatchPage(const char* address, ParseContext& context, WatchPage& page);

// A result code: 0 with context.liveSocket and context.liveThread set; 7 stopped, 8 the page
// answered 404, 9 the broadcast has ended, 1 anything else that failed. The watch page is
// fetched unless `fetched` holds it already.
int connectLive(const char* address, ParseContext& context, int count, const WatchPage* fetched = nullptr);

}  // namespace pelmora::engine
