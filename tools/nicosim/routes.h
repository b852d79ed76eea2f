#pragma once
// Which page answers a request: by the Host header first, then by the path.

#include "tools/nicosim/faults.h"

#include <string>
#include <string_view>

namespace nicosim {

enum class Page {
    Watch, Flv, ThreadKey, History, Index, Tag,  // main site
    ThumbInfo, ThumbWatch,                       // external host
    LivePage, JikkyoPage, PlayerStatus,          // live and Jikkyo hosts
    Comment,                                     // comment server
    Market, ProductPicture,                      // market host
    Thumbnail, VideoFile, Forum, Shop,           // the other hosts
    CommentApi, ThreadKeyApi,                    // today's comment interface and key endpoint
    NotFound, UnknownHost,
};

struct Route {
    Page page = Page::NotFound;
    Step step = Step::Other;
    std::string argument; // the id, tag or picture label taken from the path
};

// `host` is lower case without a port. 127.0.0.1, localhost and an empty host count as the
// main site, so that a browser pointed at the port sees the main site's pages.
Route routeRequest(std::string_view host, std::string_view path);

// The Host header without its port, in lower case.
std::string hostWithoutPort(std::string_view hostHeader);

} // namespace nicosim
