// Live and Jikkyo pages and /api/getplayerstatus.

#include "tools/nicosim/site.h"

#include "tools/nicosim/text_codec.h"
#include "tools/nicosim/time_text.h"

namespace nicosim {
namespace {

Answer playerStatusFailure(std::string_view code, int64_t time)
{
    Answer a;
    a.contentType = "text/xml; charset=utf-8";
    a.body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<getplayerstatus status=\"fail\" time=\"" +
             std::to_string(time) + "\"><error><code>" + std::string(code) +
             "</code></error></getplayerstatus>\n";
    return a;
}

} // namespace

Answer livePage(const SiteContext& site, const PageRequest& request, std::string_view id, bool jikkyoHost)
{
    const std::optional<LiveFacts> live = site.catalogue.live(baseId(id));
    if (!live || live->jikkyo != jikkyoHost)
        return notFoundPage("番組が見つかりません");
    if (!jikkyoHost && wantsModernPage(site, request))
        return modernLivePage(site, request, *live, id);
    Answer a;
    const std::string site_name = live->jikkyo ? "ニコニコ実況" : "ニコニコ生放送";
    a.body = "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + xmlEscape(live->title) +
             " - " + site_name + "</title>\n</head>\n<body>\n<h1>" + xmlEscape(live->title) + "</h1>\n";
    a.body += "<p class=\"status\">" + std::string(live->ended ? "この番組は終了しました" : "放送中") + "</p>\n";
    a.body += "<p class=\"open\">開場 " + japaneseDateTime(live->openTime) + "</p>\n";
    a.body += "<p class=\"community\">" + live->community + "</p>\n</body>\n</html>\n";
    return a;
}

Answer playerStatusAnswer(const SiteContext& site, const PageRequest& request)
{
    const std::string requested = request.param("v");
    const std::optional<LiveFacts> found = site.catalogue.live(baseId(requested));
    const int64_t fallbackTime = 1400000000;
    if (!request.loggedIn)
        return playerStatusFailure("notlogin", fallbackTime);
    if (!found)
        return playerStatusFailure("notfound", fallbackTime);
    const LiveFacts& live = *found;
    if (live.ended)
        return playerStatusFailure("closed", live.openTime + 7200);

    const std::string suffix = requested.substr(baseId(requested).size());
    const std::string addr = site.liveAddressByName ? kLiveCommentHost : "127.0.0.1";
    const int port = site.liveAddressByName ? kLiveCommentPort : site.livePort;

    Answer a;
    a.contentType = "text/xml; charset=utf-8";
    std::string& b = a.body;
    b = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
    b += "<getplayerstatus status=\"ok\" time=\"" + std::to_string(live.openTime + 600) + "\">";
    b += "<stream><id>" + live.id + "</id><title>" + xmlEscape(live.title) + "</title>";
    b += "<description>nicosim" + std::string(live.jikkyo ? "の実況チャンネル" : "のテスト放送") + "</description>";
    b += "<provider_type>" + std::string(live.jikkyo ? "official" : "community") + "</provider_type>";
    b += "<default_community>" + live.community + "</default_community>";
    b += "<is_archive>0</is_archive>";
    b += "<base_time>" + std::to_string(live.openTime) + "</base_time>";
    b += "<open_time>" + std::to_string(live.openTime) + "</open_time>";
    b += "<start_time>" + std::to_string(live.openTime) + "</start_time>";
    // The service sends parts of this answer percent-encoded; a reader decodes the whole text.
    b += "<contents_list><contents id=\"main\" disableAudio=\"0\" disableVideo=\"0\" start_time=\"" +
         std::to_string(live.openTime) + "\">" + percentEncode("rtmp://sim.live.nicovideo.jp/live/" + live.id) +
         "</contents></contents_list>";
    b += "</stream>";
    b += "<user><user_id>" + std::string(kUserId) + "</user_id><nickname>" + std::string(kNickname) +
         "</nickname><is_premium>1</is_premium><room_label>" + live.community +
         "</room_label><room_seetno>1</room_seetno></user>";
    b += "<rtmp is_fms=\"1\"><url>" + percentEncode("rtmp://sim.live.nicovideo.jp/live") + "</url><ticket>" +
         std::string(kUserId) + ":" + live.id + ":0:1400000000:0</ticket></rtmp>";
    b += "<ms><addr>" + addr + "</addr><port>" + std::to_string(port) + "</port><thread>" +
         xmlEscape(live.threadId + suffix) + "</thread></ms>";
    b += "<tid_list><tid>" + live.threadId + "</tid></tid_list>";
    b += "</getplayerstatus>\n";
    return a;
}

} // namespace nicosim
