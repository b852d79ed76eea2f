#include "tools/nicosim/routes.h"

#include "tools/nicosim/modern_threads.h"
#include "tools/nicosim/site.h"
#include "tools/nicosim/text_codec.h"

namespace nicosim {
namespace {

Route make(Page page, Step step, std::string_view argument = {})
{
    return Route{page, step, std::string(argument)};
}

// The rest of the path after `prefix`, when the path starts with it and the rest is one
// non-empty segment.
bool segmentAfter(std::string_view path, std::string_view prefix, std::string_view& rest)
{
    if (!startsWith(path, prefix))
        return false;
    rest = path.substr(prefix.size());
    if (!rest.empty() && rest.back() == '/')
        rest.remove_suffix(1);
    return !rest.empty() && rest.find('/') == std::string_view::npos;
}

Route mainSite(std::string_view path)
{
    std::string_view rest;
    if (segmentAfter(path, "/watch/", rest))
        return make(Page::Watch, Step::Watch, rest);
    if (path == "/api/getflv" || path == "/api/getflv/")
        return make(Page::Flv, Step::Flv);
    if (path == "/api/getthreadkey" || path == "/api/getthreadkey/")
        return make(Page::ThreadKey, Step::Key);
    if (path == "/history" || path == "/history/" || path == "/my/history")
        return make(Page::History, Step::History);
    if (startsWith(path, "/tag/") && path.size() > 5)
        return make(Page::Tag, Step::Other, path.substr(5));
    if (path == "/" || path.empty())
        return make(Page::Index, Step::Other);
    return make(Page::NotFound, Step::Other);
}

} // namespace

std::string hostWithoutPort(std::string_view hostHeader)
{
    std::string_view host = trimSpaces(hostHeader);
    // "[::1]:80" keeps its brackets; "name:80" loses the port.
    const size_t colon = host.rfind(':');
    const size_t bracket = host.find(']');
    if (colon != std::string_view::npos && (bracket == std::string_view::npos || bracket < colon))
        host = host.substr(0, colon);
    return lowerAscii(host);
}

Route routeRequest(std::string_view host, std::string_view path)
{
    std::string_view rest;
    if (host == kMainHost || host == kSuffixMainHost || host == "127.0.0.1" || host == "localhost" || host.empty())
        return mainSite(path);
    if (host == kLiveHost) {
        if (segmentAfter(path, "/watch/", rest))
            return make(Page::LivePage, Step::Watch, rest);
        if (path == "/api/getplayerstatus" || path == "/api/getplayerstatus/")
            return make(Page::PlayerStatus, Step::Status);
        return make(Page::NotFound, Step::Other);
    }
    if (host == kJikkyoHost) {
        if (segmentAfter(path, "/watch/", rest))
            return make(Page::JikkyoPage, Step::Watch, rest);
        return make(Page::NotFound, Step::Other);
    }
    if (host == kExternalHost) {
        if (segmentAfter(path, "/api/getthumbinfo/", rest))
            return make(Page::ThumbInfo, Step::Thumb, rest);
        if (path == "/thumb_watch" || path == "/thumb_watch/")
            return make(Page::ThumbWatch, Step::Player);
        return make(Page::NotFound, Step::Other);
    }
    if (host == kMarketHost) {
        if (path == "/ranking/earnings/all/d" || path == "/ranking/earnings/all/d/")
            return make(Page::Market, Step::Market);
        if (segmentAfter(path, "/img/item/", rest) && rest.size() > 4 && rest.substr(rest.size() - 4) == ".png")
            return make(Page::ProductPicture, Step::Picture, rest.substr(0, rest.size() - 4));
        return make(Page::NotFound, Step::Other);
    }
    if (host == kCommentHost)
        return make(Page::Comment, Step::Msg);
    if (host == kThumbnailHost)
        return make(path == "/smile" ? Page::Thumbnail : Page::NotFound, path == "/smile" ? Step::Picture : Step::Other);
    if (host == kVideoFileHost)
        return make(path == "/smile" ? Page::VideoFile : Page::NotFound, Step::Other);
    if (host == kCommentApiHost)
        return make(path == "/v1/threads" ? Page::CommentApi : Page::NotFound, path == "/v1/threads" ? Step::Api : Step::Other);
    if (host == kKeyApiHost) {
        const bool key = path == "/v1/comment/keys/thread";
        return make(key ? Page::ThreadKeyApi : Page::NotFound, key ? Step::KeyApi : Step::Other);
    }
    if (host == kForumHost)
        return make(Page::Forum, Step::Other);
    if (host == kShopHost || host == kSiblingHost)
        return make(Page::Shop, Step::Other, path);
    return make(Page::UnknownHost, Step::Other, host);
}

} // namespace nicosim
