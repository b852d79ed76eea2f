// The market's sales ranking as RSS 2.0. Each item's description holds the picture first and
// the shop link after it; every fourth item links to another shop. The fault word "seven"
// gives a feed of seven shop products.

#include "tools/nicosim/site.h"

#include "tools/nicosim/text_codec.h"

namespace nicosim {

Answer marketFeed(const SiteContext& site, const PageRequest& request)
{
    // Nine items of which ranks 4 and 8 link elsewhere: seven shop products, so that a reader's
    // rotation of three shows 0-2, 3-5, then 6 alone.
    const int items = request.faults.seven ? 9 : site.marketItems;
    Answer a;
    a.contentType = "application/rss+xml; charset=utf-8";
    std::string& b = a.body;
    b = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rss version=\"2.0\">\n<channel>\n";
    b += "<title>ニコニコ市場 売上ランキング(毎日)</title>\n";
    b += "<link>http://ichiba.nicovideo.jp/ranking/earnings/all/d</link>\n";
    b += "<description>nicosimの市場ランキング</description>\n<language>ja</language>\n";
    for (int rank = 1; rank <= items; ++rank) {
        const MarketItem item = site.catalogue.marketItem(rank);
        const std::string title = item.category + "：" + item.name;
        // The picture address carries an escaped "&" that a reader decodes.
        const std::string picture = "http://" + std::string(kMarketHost) + "/img/item/" + std::to_string(rank) +
                                    ".png?size=m&amp;v=1";
        const std::string link = item.elsewhere
                                     ? "http://" + std::string(kOtherShopHost) + "/item/" + item.code +
                                           "?tag=othershop-22&creative=4321&ref=nicosim"
                                     : "http://" + std::string(kShopHost) + "/dp/" + item.code +
                                           "/?tag=nicosim-22&creative=9325&linkCode=as2&camp=247";
        b += "<item>\n<title>" + xmlEscape(title) + "</title>\n";
        b += "<link>http://" + std::string(kMarketHost) + "/item/" + item.code + "</link>\n";
        b += "<description><![CDATA[<p class=\"rank\">第" + std::to_string(rank) + "位</p><p><img src=\"" + picture +
             "\" width=\"120\" height=\"120\" alt=\"\" /></p><p><a href=\"" + link + "\">" + item.name +
             "</a> ￥" + std::to_string(item.price) + "</p>]]></description>\n";
        b += "<guid isPermaLink=\"false\">nicosim-ichiba-" + std::to_string(rank) + "</guid>\n</item>\n";
    }
    b += "</channel>\n</rss>\n";
    return a;
}

} // namespace nicosim
