// History page, market feed, pictures and hosts.

#include "tests/tools/nicosim/sim_fixture.h"

#include "tools/nicosim/site.h"
#include "tools/nicosim/text_codec.h"

#include <zlib.h>

namespace nicosim::test {
namespace {

using SitePagesTest = SimTest;

TEST_F(SitePagesTest, HistoryEntriesCarryTheMarkersInOrder)
{
    EXPECT_NE(get("www.nicovideo.jp", "/history").body.find("エラー"), std::string::npos);

    const std::string page = get("www.nicovideo.jp", "/history", true).body;
    const size_t h1 = page.find("<h1");
    const size_t h1End = page.find("/h1>");
    ASSERT_NE(h1End, std::string::npos);
    EXPECT_EQ(page.substr(h1, h1End - h1).find("エラー"), std::string::npos);
    const size_t table = page.find("<table", h1End);
    const size_t first = page.find("<a href", table);
    const size_t clear = page.find("history?c=clear", first);
    const size_t tableEnd = page.find("</table>", first);
    ASSERT_NE(clear, std::string::npos);
    EXPECT_LT(tableEnd, clear);
    const std::string region = page.substr(first, clear - first);
    EXPECT_EQ(countOf(region, "<a href"), 31u + 1u); // the entries, then the clear link

    // Within one entry: link, img src, span, p, two strong, title anchor, three strong.
    const size_t next = region.find("<a href", 1);
    const std::string entry = region.substr(0, next);
    std::vector<size_t> order;
    size_t at = 0;
    for (const char* marker : {"<a href=\"/watch/sm9\"", "<img ", "src=\"http://tn.smilevideo.jp/smile?i=9\"", "<span",
                               "<p", "<str", "<str", "</p", "<a ", "<str", "<str", "<str"}) {
        at = entry.find(marker, at);
        ASSERT_NE(at, std::string::npos) << marker;
        order.push_back(at++);
    }
    // The first digits after the second strong element are the earlier views.
    const size_t secondStrongEnd = entry.find("</strong>", order[6]);
    const size_t digit = entry.find_first_of("0123456789", secondStrongEnd);
    EXPECT_LT(digit, order[7]);
    EXPECT_NE(region.find("<a href=\"http://www.nicovideo.jp/watch/"), std::string::npos);
}

TEST_F(SitePagesTest, MarketItemsHaveCategoryPicturesAndShopLinks)
{
    const std::string feed = get("ichiba.nicovideo.jp", "/ranking/earnings/all/d?rss=rss2").body;
    int shop = 0, elsewhere = 0;
    size_t at = 0;
    while ((at = feed.find("<item", at)) != std::string::npos) {
        const size_t titleAt = feed.find("<title", at);
        const size_t open = feed.find('>', titleAt);
        const std::string title = feed.substr(open + 1, feed.find('<', open) - open - 1);
        EXPECT_NE(title.find("："), std::string::npos) << title;
        const size_t src = feed.find("src=\"", open);
        const size_t href = feed.find("a href=", src);
        ASSERT_NE(href, std::string::npos);
        ASSERT_LT(href, feed.find("</item>", at));
        const std::string picture = feed.substr(src + 5, feed.find('"', src + 5) - src - 5);
        EXPECT_NE(picture.find("&amp;"), std::string::npos);
        const size_t linkStart = feed.find('"', href) + 1;
        const std::string link = feed.substr(linkStart, feed.find('"', linkStart) - linkStart);
        EXPECT_NE(link.find("tag="), std::string::npos);
        EXPECT_NE(link.find("creative="), std::string::npos);
        (link.find("//www.shop.example") != std::string::npos ? shop : elsewhere)++;
        at = href;
    }
    EXPECT_EQ(shop, 9);
    EXPECT_EQ(elsewhere, 3);
}

// A CRC-32 written out bit by bit, independent of zlib's tables.
uint32_t bitwiseCrc(const std::string& bytes)
{
    uint32_t crc = 0xffffffffu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

uint32_t bigEndian(const std::string& bytes, size_t at)
{
    return (uint32_t(uint8_t(bytes[at])) << 24) | (uint32_t(uint8_t(bytes[at + 1])) << 16) |
           (uint32_t(uint8_t(bytes[at + 2])) << 8) | uint32_t(uint8_t(bytes[at + 3]));
}

void expectPng(const std::string& png, uint32_t width, uint32_t height)
{
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    std::string idat;
    std::vector<std::string> types;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = bigEndian(png, at);
        ASSERT_LE(at + 12 + length, png.size());
        const std::string type = png.substr(at + 4, 4);
        const std::string data = png.substr(at + 8, length);
        EXPECT_EQ(bigEndian(png, at + 8 + length), bitwiseCrc(type + data)) << type;
        if (type == "IHDR") {
            EXPECT_EQ(bigEndian(data, 0), width);
            EXPECT_EQ(bigEndian(data, 4), height);
            EXPECT_EQ(data.substr(8), std::string("\x08\x02\0\0\0", 5));
        }
        if (type == "IDAT")
            idat += data;
        types.push_back(type);
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size());
    EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    // Each row: a filter byte and three bytes per pixel.
    std::string raw((width * 3 + 1) * height, '\0');
    uLongf size = raw.size();
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(raw.data()), &size, reinterpret_cast<const Bytef*>(idat.data()),
                         idat.size()),
              Z_OK);
    EXPECT_EQ(size, raw.size());
}

TEST_F(SitePagesTest, PicturesAreWholePngFiles)
{
    const HttpResult thumb = get("tn.smilevideo.jp", "/smile?i=9");
    EXPECT_EQ(thumb.header("Content-Type"), "image/png");
    expectPng(thumb.body, 130, 100);
    const HttpResult item = get("ichiba.nicovideo.jp", "/img/item/3.png?size=m&v=1");
    expectPng(item.body, 72, 62);  // each product's picture has its own size: 60 + 4n by 50 + 4n
    EXPECT_EQ(countOf(get("ichiba.nicovideo.jp", "/ranking/earnings/all/d?rss=rss2&sim=seven").body, "<item>"), 9u);
    EXPECT_NE(get("tn.smilevideo.jp", "/smile?i=10").body, thumb.body);
    EXPECT_EQ(get("tn.smilevideo.jp", "/smile?i=x").status, 404);
}

TEST_F(SitePagesTest, EveryAnsweredHostIsInConnectTo)
{
    // Each host twice: its port 80 to the HTTP port, its port 443 to the HTTPS port.
    const std::vector<std::string> entries = splitText(sim->connectTo(), ',');
    const size_t hosts = sim->hosts().size();
    ASSERT_EQ(entries.size(), 2 * hosts);
    for (size_t i = 0; i < hosts; ++i) {
        EXPECT_EQ(entries[i], sim->hosts()[i] + ":80:127.0.0.1:" + std::to_string(sim->httpPort()));
        EXPECT_EQ(entries[hosts + i], sim->hosts()[i] + ":443:127.0.0.1:" + std::to_string(sim->httpsPort()));
    }
    for (const char* host : {"www.nicovideo.jp", "live.nicovideo.jp", "ext.nicovideo.jp", "ichiba.nicovideo.jp",
                             "jk.nicovideo.jp", "forum.nicovideo.jp", "msg.nicovideo.jp", "tn.smilevideo.jp"})
        EXPECT_NE(sim->connectTo().find(std::string(host) + ":80:"), std::string::npos) << host;
    // A host with a port in the Host line is the same host; an unknown one is refused.
    EXPECT_EQ(get("WWW.NICOVIDEO.JP:80", "/watch/sm9").status, 200);
    EXPECT_EQ(get("www.example.org", "/watch/sm9").status, 404);
    EXPECT_EQ(get("forum.nicovideo.jp", "/delete/comment/").status, 200);
}

TEST_F(SitePagesTest, ProxyFormRequestsNameTheirHostInTheRequestLine)
{
    const RawAnswer info = rawGet(sim->httpPort(), "127.0.0.1", "http://ext.nicovideo.jp/api/getthumbinfo/sm9");
    EXPECT_NE(info.head.find(" 200 "), std::string::npos) << info.head;
    EXPECT_NE(info.body.find("<nicovideo_thumb_response status=\"ok\">"), std::string::npos);
    EXPECT_EQ(sim->lastRequest(Step::Thumb)->target, "/api/getthumbinfo/sm9");
    const RawAnswer moved = rawGet(sim->httpPort(), "127.0.0.1", "http://www.nicovideo.jp/watch/sm9~redirabs1");
    EXPECT_NE(moved.head.find("Location: http://www.nicovideo.jp/watch/sm9~redirabs1?simhop=1\r\n"), std::string::npos)
        << moved.head;
}

class LiveByNameTest : public SimTest {
protected:
    Options options() const override
    {
        Options o = SimTest::options();
        o.liveAddressByName = true;
        return o;
    }
};

TEST_F(LiveByNameTest, PlayerStatusNamesAHostThatConnectToMaps)
{
    const std::string status = get("live.nicovideo.jp", "/api/getplayerstatus?v=lv1", true).body;
    EXPECT_NE(status.find("<addr>msg101.live.nicovideo.jp</addr><port>2805</port>"), std::string::npos);
    EXPECT_NE(sim->connectTo().find("msg101.live.nicovideo.jp:2805:127.0.0.1:" + std::to_string(sim->livePort())),
              std::string::npos);
}

TEST(ServerStart, BusyPortFailsWithAReason)
{
    Options options;
    options.livePushMs = 0;
    Server first(options);
    ASSERT_TRUE(first.start()) << first.lastError();
    options.port = first.httpPort();
    Server second(options);
    EXPECT_FALSE(second.start());
    EXPECT_NE(second.lastError().find(std::to_string(first.httpPort())), std::string::npos);
    EXPECT_FALSE(first.start()); // already running
    // The first one still answers.
    EXPECT_EQ(httpGet(first.httpPort(), "www.nicovideo.jp", "/watch/sm9").status, 200);
}

} // namespace
} // namespace nicosim::test
