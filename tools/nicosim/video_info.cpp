// The external host's video information (/api/getthumbinfo/) and external player
// (/thumb_watch).

#include "tools/nicosim/site.h"

#include "tools/nicosim/text_codec.h"
#include "tools/nicosim/time_text.h"

#include <algorithm>

namespace nicosim {
namespace {

std::string tagXml(const Tag& tag)
{
    std::string text = xmlEscape(tag.text);
    // The service sometimes escapes an ampersand twice; a reader must decode twice.
    if (tag.doubleEscaped)
        text = xmlEscape(text);
    std::string out = "<tag";
    if (tag.category)
        out += " category=\"1\"";
    if (tag.locked)
        out += " lock=\"1\"";
    return out + ">" + text + "</tag>";
}

std::string lastResBody(const Catalogue& catalogue, const VideoFacts& v)
{
    const std::optional<ThreadFacts> thread = catalogue.thread(v.threadId);
    if (!thread)
        return {};
    std::string out;
    for (int i = std::max(0, v.commentCount - 3); i < v.commentCount; ++i) {
        const Chat chat = catalogue.chat(*thread, i);
        if (chat.deleted != 0)
            continue;
        std::string line = chat.text;
        for (char& c : line) {
            if (c == '\n')
                c = ' ';
        }
        out += line + " ";
    }
    return out;
}

std::string jsQuotedText(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (c == '\'' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

} // namespace

Answer thumbInfoAnswer(const SiteContext& site, std::string_view id)
{
    Answer a;
    a.contentType = "text/xml; charset=utf-8";
    std::string& b = a.body;
    b = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const std::optional<VideoFacts> found = site.catalogue.video(baseId(id));
    if (!found || found->page == WatchPage::Deleted) {
        const bool deleted = found.has_value();
        b += "<nicovideo_thumb_response status=\"fail\">\n  <error>\n";
        b += deleted ? "    <code>DELETED</code>\n    <description>deleted</description>\n"
                     : "    <code>NOT_FOUND</code>\n    <description>not found or invalid</description>\n";
        b += "  </error>\n</nicovideo_thumb_response>\n";
        return a;
    }
    const VideoFacts& v = *found;
    b += "<nicovideo_thumb_response status=\"ok\">\n  <thumb>\n";
    b += "    <video_id>" + v.id + "</video_id>\n";
    b += "    <title>" + xmlEscape(v.title) + "</title>\n";
    b += "    <description>" + xmlEscape(v.description) + "</description>\n";
    b += "    <thumbnail_url>" + v.thumbnailUrl + "</thumbnail_url>\n";
    b += "    <first_retrieve>" + isoJapanTime(v.firstRetrieve) + "</first_retrieve>\n";
    b += "    <length>" + playLength(v.lengthSeconds) + "</length>\n";
    b += "    <movie_type>" + v.movieType + "</movie_type>\n";
    b += "    <size_high>" + std::to_string(v.lengthSeconds * 120000) + "</size_high>\n";
    b += "    <size_low>" + std::to_string(v.lengthSeconds * 60000) + "</size_low>\n";
    b += "    <view_counter>" + std::to_string(v.viewCount) + "</view_counter>\n";
    b += "    <comment_num>" + std::to_string(v.commentCount) + "</comment_num>\n";
    b += "    <mylist_counter>" + std::to_string(v.mylistCount) + "</mylist_counter>\n";
    b += "    <last_res_body>" + xmlEscape(lastResBody(site.catalogue, v)) + "</last_res_body>\n";
    b += "    <watch_url>http://www.nicovideo.jp/watch/" + v.id + "</watch_url>\n";
    b += "    <thumb_type>video</thumb_type>\n    <embeddable>1</embeddable>\n    <no_live_play>0</no_live_play>\n";
    for (const TagDomain& d : v.tags) {
        b += "    <tags domain=\"" + d.domain + "\">\n";
        for (const Tag& t : d.tags)
            b += "      " + tagXml(t) + "\n";
        b += "    </tags>\n";
    }
    b += "    <user_id>" + std::string(kUserId) + "</user_id>\n";
    b += "    <user_nickname>" + std::string(kNickname) + "</user_nickname>\n";
    b += "    <user_icon_url>http://usericon.nimg.jp/usericon/s/0/" + std::string(kUserId) + ".jpg</user_icon_url>\n";
    b += "  </thumb>\n</nicovideo_thumb_response>\n";
    return a;
}

Answer thumbWatchAnswer(const SiteContext& site, const PageRequest& request)
{
    Answer a;
    const std::string requested = request.param("v");
    const std::optional<VideoFacts> found = site.catalogue.video(baseId(requested));
    if (!found || found->page == WatchPage::Deleted) {
        a.contentType = "text/javascript; charset=utf-8";
        a.body = "Nicovideo.thumbError = 'deleted';\n";
        return a;
    }
    const VideoFacts& v = *found;

    if (!request.hasParam("k")) {
        // First step: the player script, which carries the key for the second step.
        a.contentType = "text/javascript; charset=utf-8";
        a.body = "(function() {\nvar video = {\n";
        a.body += "\tv:\t'" + v.id + "',\n\tid:\t'" + v.id + "',\n";
        a.body += "\ttitle:\t'" + jsQuotedText(v.title) + "',\n";
        a.body += "\tthumbnail:\t'" + v.thumbnailUrl + "',\n";
        a.body += "\tlength:\t" + std::to_string(v.lengthSeconds) + ",\n";
        a.body += "\tthumbPlayKey:\t'" + v.thumbPlayKey + "',\n";
        a.body += "\tplayerUrl:\t'http://ext.nicovideo.jp/swf/player/thumbwatch.swf'\n};\n";
        a.body += "Nicovideo.Thumb.write(video);\n})();\n";
        return a;
    }

    // The key arrives percent-encoded, and some clients encode it once more inside the form:
    // either form is accepted, and so is the key as it stands.
    const std::string raw = request.rawParam("k");
    const std::string once = percentDecode(raw, false);
    const bool keyMatches = raw == v.thumbPlayKey || once == v.thumbPlayKey ||
                            percentDecode(once, false) == v.thumbPlayKey || request.param("k") == v.thumbPlayKey;
    a.contentType = "text/plain; charset=utf-8";
    if (!keyMatches) {
        a.body = "error=invalid_thumb_play_key";
        return a;
    }
    const std::string suffix = requested.substr(baseId(requested).size());
    a.body = "thread_id=" + percentEncode(v.threadId + suffix);
    a.body += "&l=" + std::to_string(v.lengthSeconds);
    a.body += "&url=" + percentEncode(v.videoUrl);
    a.body += "&ms=" + percentEncode(kCommentServerUrl);
    a.body += "&is_premium=" + std::string(request.loggedIn ? "1" : "0");
    a.body += "&done=true";
    a.headers.emplace_back("Set-Cookie", "nicohistory=" + v.id +
                                             "%3A1700000000; expires=Thu, 31-Dec-2037 23:59:59 GMT; path=/; "
                                             "domain=.nicovideo.jp");
    return a;
}

} // namespace nicosim
