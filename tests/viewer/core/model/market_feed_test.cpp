#include <gtest/gtest.h>

#include "viewer/core/model/market_feed.h"

using namespace pelmora::viewer;
using qarvo::C_String;
using qarvo::C_WString;

namespace {

std::string item(const std::string& title, const std::string& picture, const std::string& link)
{
    return "<item>\n<title>" + title + "</title>\n<link>http://ichiba.example/x</link>\n<description><![CDATA[<p><img src=\"" +
           picture + "\" /></p><p><a href=\"" + link + "\">name</a></p>]]></description>\n</item>\n";
}

}  // namespace

TEST(MarketFeed, ShopProductsRewrittenAndTitled)
{
    const std::string rss =
        "<rss><channel><title>ranking</title>\n" +
        item("本：猫の&amp;写真集", "http://ichiba.example/img/1.png?size=m&amp;v=1",
             "http://www.shop.example/dp/B01/?tag=someone-22&creative=9325&linkCode=as2") +
        item("家電：ヘッドホン", "http://ichiba.example/img/2.png", "http://www.othershop.example/item/X?tag=a") +
        item("名前だけ", "http://ichiba.example/img/3.png", "http://www.shop.example/dp/B03?creative=1&tag=t") +
        "<item><title>broken</title></item></channel></rss>";
    std::vector<MarketItemPtr> items;
    ParseMarketFeed(C_String(rss), items);
    ASSERT_EQ(items.size(), 2u);  // the item of the other shop takes no place
    EXPECT_EQ(items[0]->title, C_WString(u"猫の&写真集"));
    EXPECT_EQ(items[0]->image, C_String("http://ichiba.example/img/1.png?size=m&v=1"));
    EXPECT_EQ(items[0]->link, C_String("http://www.shop.example/dp/B01/?tag=pelmoravista-22&creative=1211&linkCode=as2"));
    EXPECT_EQ(items[1]->title, C_WString(u"名前だけ"));
    EXPECT_EQ(items[1]->link, C_String("http://www.shop.example/dp/B03?creative=1211&tag=pelmoravista-22"));
    EXPECT_EQ(RewriteShopLink(C_String("http://x/?a=1")), C_String("http://x/?a=1"));
}

// Only whole parameter names are rewritten, and a link is the shop's by its host, not by naming
// the shop somewhere in its query.
TEST(MarketFeed, ParameterNamesAndTheShopHostAreMatchedWhole)
{
    EXPECT_EQ(RewriteShopLink(C_String("http://www.shop.example/s?hashtag=x&tag=y")),
              C_String("http://www.shop.example/s?hashtag=x&tag=pelmoravista-22"));
    EXPECT_EQ(RewriteShopLink(C_String("http://www.shop.example/s?hashtag=x")),
              C_String("http://www.shop.example/s?hashtag=x"));
    const std::string rss = item("a：elsewhere", "p1", "http://go.example/?to=//www.shop.example/dp/B1") +
                            item("b：shop", "p2", "https://www.shop.example/dp/B2?tag=z") +
                            item("c：look-alike", "p3", "http://www.shop.example.evil/dp/B3");
    std::vector<MarketItemPtr> items;
    ParseMarketFeed(C_String(rss), items);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->link, C_String("https://www.shop.example/dp/B2?tag=pelmoravista-22"));
}

TEST(MarketFeed, SevenProductsRotateThreeAtATimeThenReload)
{
    int next = 0;
    std::vector<std::vector<int>> shown;
    std::vector<bool> reloads;
    for (int turn = 0; turn < 4; ++turn) {
        const MarketTurn t = NextMarketTurn(next, 7);
        shown.push_back(t.indexes);
        reloads.push_back(t.reload);
    }
    EXPECT_EQ(shown, (std::vector<std::vector<int>>{{0, 1, 2}, {3, 4, 5}, {6}, {0, 1, 2}}));
    EXPECT_EQ(reloads, (std::vector<bool>{false, false, true, false}));
    EXPECT_TRUE(NextMarketTurn(next = 0, 0).reload);
}
