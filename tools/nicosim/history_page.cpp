// The viewing history page of the main site. Its markup follows the page of the service in
// the points a reader relies on: an h1 heading, a table of entries each starting with a link
// around a thumbnail, a span, a paragraph with two strong elements and a number, the title
// link, three strong numbers, then "</table>" and the "history?c=clear" link. Only the date
// and the count of earlier views hold digits before the title link, so that the first run of
// digits after the second strong element is that count.

#include "tools/nicosim/site.h"

#include "tools/nicosim/text_codec.h"
#include "tools/nicosim/time_text.h"

namespace nicosim {

Answer historyPage(const SiteContext& site, const PageRequest& request)
{
    Answer a;
    std::string& b = a.body;
    b = "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>視聴履歴 - ニコニコ動画(nicosim)</title>\n</head>\n<body>\n";
    if (!request.loggedIn) {
        b += "<h1>エラー</h1>\n<p>ログインしてください。</p>\n</body>\n</html>\n";
        return a;
    }
    b += "<div id=\"PAGEBODY\">\n<h1 class=\"title\">視聴履歴</h1>\n";
    b += "<table class=\"history\" summary=\"視聴履歴\">\n";
    for (const HistoryEntry& e : site.catalogue.history(site.historyEntries)) {
        const std::optional<VideoFacts> v = site.catalogue.video(e.videoId);
        if (!v)
            continue;
        const std::string link = (e.absoluteLink ? std::string("http://") + kMainHost : std::string()) + "/watch/" + v->id;
        b += "<tr>\n<td class=\"thumb\"><a href=\"" + link + "\"><img src=\"" + v->thumbnailUrl +
             "\" width=\"130\" height=\"100\" alt=\"\"></a>";
        b += "<span class=\"vinfo_length\">" + playLength(v->lengthSeconds) + "</span></td>\n";
        b += "<td class=\"info\"><p class=\"watch_date\"><strong>" + japaneseDateTime(e.watchedAt) +
             "</strong> に視聴 <strong>視聴回数</strong> これまで " + std::to_string(e.earlierViews) + " 回</p>\n";
        b += "<h3><a class=\"watch\" href=\"" + link + "\">" + xmlEscape(v->title) + "</a></h3>\n";
        b += "<ul class=\"vinfo_count\"><li>再生：<strong>" + std::to_string(v->viewCount) + "</strong></li>";
        b += "<li>コメント：<strong>" + std::to_string(v->commentCount) + "</strong></li>";
        b += "<li>マイリスト：<strong>" + std::to_string(v->mylistCount) + "</strong></li></ul></td>\n</tr>\n";
    }
    b += "</table>\n<p class=\"clear\"><a href=\"history?c=clear\">履歴をすべて削除</a></p>\n</div>\n</body>\n</html>\n";
    return a;
}

} // namespace nicosim
