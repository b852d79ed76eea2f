// Watch pages, /api/getflv and /api/getthreadkey of the main site.

#include "tools/nicosim/site.h"

#include "tools/nicosim/text_codec.h"
#include "tools/nicosim/time_text.h"

namespace nicosim {
namespace {

// U+2010 HYPHEN: a watch page's title ends in it followed by the site's name.
constexpr const char* kTitleSeparator = "‐";
constexpr const char* kSiteName = "ニコニコ動画(nicosim)";
constexpr const char* kCookieExpiry = "Thu, 31-Dec-2037 23:59:59 GMT";
constexpr int64_t kServerClock = 1700000000;

std::string jsQuoted(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (c == '\'' || c == '\\')
            out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        if (c == '<') {
            out += "\\x3c"; // never close the script element from inside a string
            continue;
        }
        out += c;
    }
    return out;
}

std::string pageHead(std::string_view title)
{
    return "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + std::string(title) +
           "</title>\n</head>\n<body>\n";
}

Answer simplePage(int status, std::string_view title, std::string_view heading, std::string_view text)
{
    Answer a;
    a.status = status;
    a.body = pageHead(title) + "<div id=\"PAGEBODY\">\n<h1>" + std::string(heading) + "</h1>\n<p>" + std::string(text) +
             "</p>\n</div>\n</body>\n</html>\n";
    return a;
}

Answer refusedPage()
{
    // No "‐" in the title; the heading says that access was too frequent ("短").
    return simplePage(200, "ニコニコ動画 - アクセス制限中", "短時間での連続アクセスはご遠慮ください",
                      "しばらく時間をおいてから、もう一度アクセスしてください。");
}

Answer deletedPage()
{
    return simplePage(404, "ニコニコ動画 - 動画が見つかりません", "お探しの動画は削除されたか、存在しません",
                      "この動画は投稿者によって削除されました。");
}

std::string tagLinks(const VideoFacts& v)
{
    std::string out = "<ul id=\"video_tags\">\n";
    for (const TagDomain& d : v.tags) {
        if (d.domain != "jp")
            continue;
        for (const Tag& t : d.tags) {
            out += "<li><a href=\"/tag/" + percentEncode(t.text) + "\" rel=\"tag\">" + xmlEscape(t.text) + "</a>";
            if (t.locked)
                out += "<span class=\"lock\">★</span>";
            out += "</li>\n";
        }
    }
    return out + "</ul>\n";
}

} // namespace

Answer watchPage(const SiteContext& site, const PageRequest& request, std::string_view id)
{
    const std::optional<VideoFacts> found = site.catalogue.video(baseId(id));
    if (request.faults.notFound || !found || found->page == WatchPage::Deleted)
        return deletedPage();
    if (request.faults.refused || found->page == WatchPage::AccessRefused)
        return refusedPage();
    const VideoFacts& v = *found;
    if (wantsModernPage(site, request))
        return modernWatchPage(site, request, v, id);
    if (v.page == WatchPage::NoUsableTitle)
        return simplePage(200, kSiteName, "ただいま準備中です", "この動画は現在ご覧いただけません。");

    const std::string title = xmlEscape(v.title);
    // The heading-title page has no "‐" in its title element: its heading is the title.
    const std::string pageTitle = v.page == WatchPage::HeadingTitle ? std::string(kSiteName)
                                                                    : title + kTitleSeparator + kSiteName;
    Answer a;
    a.body = pageHead(pageTitle);
    a.body += "<div id=\"PAGEHEADER\">\n<h1 itemprop=\"name\">" + xmlEscape(v.heading) + "</h1>\n";
    a.body += "<p class=\"video_date\"><strong>" + japaneseDateTime(v.firstRetrieve) + "</strong> 投稿</p>\n";
    a.body += "<p class=\"video_description\">" + xmlEscape(v.description) + "</p>\n";
    a.body += tagLinks(v);
    a.body += "</div>\n<div id=\"flvplayer_container\"><img src=\"" + v.thumbnailUrl + "\" width=\"130\" height=\"100\" alt=\"\"></div>\n";
    a.body += "<script type=\"text/javascript\">\n<!--\nvar Video = {\n";
    a.body += "\tv:\t'" + v.id + "',\n\tid:\t'" + v.id + "',\n";
    a.body += "\ttitle:\t'" + jsQuoted(v.title) + "',\n";
    a.body += "\tthumbnail:\t'" + v.thumbnailUrl + "',\n";
    a.body += "\tlength:\t" + std::to_string(v.lengthSeconds) + ",\n";
    a.body += "\tviewCount:\t" + std::to_string(v.viewCount) + ",\n";
    a.body += "\tcommentCount:\t" + std::to_string(v.commentCount) + ",\n";
    a.body += "\tmylistCount:\t" + std::to_string(v.mylistCount) + "\n};\n";
    a.body += "var so = new SWFObject(\"http://res.nimg.jp/swf/player/nicoplayer.swf\", \"flvplayer\", \"960\", "
              "\"540\", 9, \"#FFFFFF\");\n";
    a.body += "so.addVariable('v', \"" + v.id + "\");\n";
    a.body += "so.addVariable('movie_type', \"" + v.movieType + "\");\n";
    a.body += "so.addVariable('thread_id', \"" + v.threadId + "\");\n";
    a.body += "so.write(\"flvplayer_container\");\n-->\n</script>\n</body>\n</html>\n";
    a.headers.emplace_back("Set-Cookie", "nicohistory=" + v.id + "%3A" + std::to_string(kServerClock) +
                                             "; expires=" + kCookieExpiry + "; path=/; domain=.nicovideo.jp");
    return a;
}

Answer getflvAnswer(const SiteContext& site, const PageRequest& request)
{
    Answer a;
    a.contentType = "text/plain; charset=utf-8";
    const std::string requested = request.param("v");
    const std::optional<VideoFacts> found = site.catalogue.video(baseId(requested));
    if (!found || found->page == WatchPage::Deleted) {
        a.body = "error=invalid_thread&done=true";
        return a;
    }
    // Without the login the service tells only that the video is closed to guests.
    if (!request.loggedIn) {
        a.body = "closed=1&done=true";
        return a;
    }
    const VideoFacts& v = *found;
    // Thread ids carry the id's "~" words on to the comment server and getthreadkey.
    const std::string suffix = requested.substr(baseId(requested).size());
    std::string& b = a.body;
    b = "thread_id=" + percentEncode(v.threadId + suffix);
    if (!v.optionalThreadId.empty())
        b += "&optional_thread_id=" + percentEncode(v.optionalThreadId + suffix) + "&needs_key=1";
    b += "&l=" + std::to_string(v.lengthSeconds);
    b += "&url=" + percentEncode(v.videoUrl);
    b += "&link=" + percentEncode("http://www.smilevideo.jp/view/" + v.id.substr(2) + "/" + std::string(kUserId));
    b += "&ms=" + percentEncode(kCommentServerUrl);
    b += "&user_id=" + std::string(kUserId);
    b += "&is_premium=1";
    b += "&nickname=" + percentEncode(kNickname);
    b += "&time=" + std::to_string(kServerClock);
    b += "&done=true";
    b += "&rpu=" + percentEncode("{\"count\":" + std::to_string(v.viewCount) + ",\"users\":[\"nicosim\"],\"extra\":0}");
    return a;
}

Answer threadKeyAnswer(const SiteContext& site, const PageRequest& request)
{
    Answer a;
    a.contentType = "text/plain; charset=utf-8";
    const std::optional<ThreadFacts> thread = site.catalogue.thread(baseId(request.param("thread")));
    // Threads that need no key, unknown threads and guests get an empty answer.
    if (request.loggedIn && thread && !thread->threadKey.empty())
        a.body = "threadkey=" + thread->threadKey + "&force_184=1";
    return a;
}

Answer notFoundPage(std::string_view what)
{
    Answer a = simplePage(404, "nicosim - 404 Not Found", "404 Not Found", xmlEscape(what));
    return a;
}

} // namespace nicosim
