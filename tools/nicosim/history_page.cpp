// The viewing history page of the main site. Its markup follows the page of the service in
// the points a reader relies on: an h1 heading, a table of entries each starting with a link
// around a thumbnail, a span, a paragraph with two strong elements (the video's posting time
// and the user's viewing time) and a number, the title link, three strong numbers, then
// "</table>" and the "history?c=clear" link. As on the service, attribute values hold digits
// too and the counts carry thousands separators; only the two times and the count of earlier
// views hold digits outside quotes before the title link, so that the first run of digits
// outside quotes after the second strong element is that count. The fault words "errorpage"
// and "noclear" give the error page and a page without the clear link.

#include "tools/nicosim/site.h"

#include "tools/nicosim/text_codec.h"
#include "tools/nicosim/time_text.h"

namespace nicosim {

namespace {

// "1234567" as the page writes it: "1,234,567".
std::string grouped(int value)
{
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<size_t>(at), ",");
    return digits;
}

} // namespace

Answer historyPage(const SiteContext& site, const PageRequest& request)
{
    Answer a;
    std::string& b = a.body;
    b = "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>視聴履歴 - ニコニコ動画(nicosim)</title>\n</head>\n<body>\n";
    if (!request.loggedIn || request.faults.errorPage) {
        b += "<h1>エラー</h1>\n<p>ログインしてください。</p>\n</body>\n</html>\n";
        return a;
    }
    b += "<div id=\"PAGEBODY\">\n<h1 class=\"title\">視聴履歴</h1>\n";
    b += "<table class=\"history\" summary=\"視聴履歴\">\n";
    int row = 0;
    for (const HistoryEntry& e : site.catalogue.history(site.historyEntries)) {
        const std::optional<VideoFacts> v = site.catalogue.video(e.videoId);
        if (!v)
            continue;
        ++row;
        const std::string link = (e.absoluteLink ? std::string("http://") + kMainHost : std::string()) + "/watch/" + v->id;
        b += "<tr>\n<td class=\"thumb\"><a href=\"" + link + "\"><img src=\"" + v->thumbnailUrl +
             "\" width=\"130\" height=\"100\" alt=\"\"></a>";
        b += "<span class=\"vinfo_length\">" + playLength(v->lengthSeconds) + "</span></td>\n";
        b += "<td class=\"info\"><p class=\"watch_date\"><strong>" + japaneseDateTime(v->firstRetrieve) +
             " 投稿</strong> <strong>" + japaneseDateTime(e.watchedAt) + "</strong> に視聴 これまで <span class=\"n" +
             std::to_string(row) + "\">" + std::to_string(e.earlierViews) + "</span> 回</p>\n";
        b += "<h3><a class=\"watch\" href=\"" + link + "\">" + xmlEscape(v->title) + "</a></h3>\n";
        // Attribute values with digits come before the numbers; the numbers carry separators.
        b += "<ul class=\"vinfo_count\"><li>再生：<strong class=\"count\" data-rank=\"" + std::to_string(row) + "\">" +
             grouped(v->viewCount) + "</strong></li>";
        b += "<li>コメント：<strong data-col=\"2\">" + grouped(v->commentCount) + "</strong></li>";
        b += "<li>マイリスト：<strong data-col=\"3\">" + grouped(v->mylistCount) + "</strong></li></ul></td>\n</tr>\n";
    }
    b += "</table>\n";
    if (!request.faults.noClear)
        b += "<p class=\"clear\"><a href=\"history?c=clear\">履歴をすべて削除</a></p>\n";
    b += "</div>\n</body>\n</html>\n";
    return a;
}

} // namespace nicosim
