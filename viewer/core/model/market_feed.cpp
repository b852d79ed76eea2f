#include "viewer/core/model/market_feed.h"

#include "engine/service/endpoints.h"
#include "qarvo/charcode/system_charcode.h"
#include "qarvo/escape/markup.h"

namespace pelmora::viewer {

namespace System = qarvo::common::System;
namespace ep = pelmora::endpoints;
using qarvo::C_String;

namespace {

// --- the markup of the feed ---
constexpr const char* kItem = "<item";
constexpr const char* kTitle = "<title";
constexpr const char* kPicture = "src=\"";
constexpr const char* kLink = "a href=";
constexpr const char16_t* kCategoryEnd = u"：";
constexpr int kSlots = 3;

// The value of the parameter `name` ("tag=") replaced by `value`, up to the next "&" or the
// end. Only a parameter of the query counts: "hashtag=" is not "tag=", nor is a "?tag=" inside
// another parameter's value.
C_String replaceParameter(const C_String& link, const char* name, const char* value)
{
    const int query = link.IndexOf('?');
    if (query < 0)
        return link;
    int at = link.IndexOf(name, query + 1);
    while (at >= 0 && at != query + 1 && link[at - 1] != '&')
        at = link.IndexOf(name, at + 1);
    if (at < 0)
        return link;
    const int start = at + static_cast<int>(std::char_traits<char>::length(name));
    const int end = link.IndexOf("&", start);
    return link.Left(start) + value + (end < 0 ? C_String() : link.SubString(end));
}

// The shop's own address: its host right after the scheme, not merely named somewhere in the
// link (a redirect elsewhere can carry it in its query).
bool isShopAddress(const C_String& address)
{
    const std::string& text = address.std();
    const std::string host = ep::kShopHost;
    for (const char* scheme : {"http://", "https://"}) {
        const std::string start = scheme + host;
        if (text.compare(0, start.size(), start) == 0 &&
            (text.size() == start.size() || std::string("/?#:").find(text[start.size()]) != std::string::npos))
            return true;
    }
    return false;
}

}  // namespace

C_String RewriteShopLink(const C_String& link)
{
    return replaceParameter(replaceParameter(link, "tag=", ep::kShopAffiliateTag), "creative=", ep::kShopCreative);
}

void ParseMarketFeed(const C_String& rss, std::vector<MarketItemPtr>& items)
{
    int at = 0;
    for (;;) {
        const int item = rss.IndexOf(kItem, at);
        const int title = item < 0 ? -1 : rss.IndexOf(kTitle, item);
        const int titleOpen = title < 0 ? -1 : rss.IndexOf(">", title);
        const int titleClose = titleOpen < 0 ? -1 : rss.IndexOf("<", titleOpen);
        const int picture = titleClose < 0 ? -1 : rss.IndexOf(kPicture, titleClose);
        const int pictureEnd = picture < 0 ? -1 : rss.IndexOf("\"", picture + 5);
        const int link = pictureEnd < 0 ? -1 : rss.IndexOf(kLink, pictureEnd);
        const int linkOpen = link < 0 ? -1 : rss.IndexOf("\"", link);
        const int linkClose = linkOpen < 0 ? -1 : rss.IndexOf("\"", linkOpen + 1);
        if (linkClose < 0)
            return;
        at = linkClose + 1;
        const C_String address = rss.SubString(linkOpen + 1, linkClose - 1);
        if (!isShopAddress(address))
            continue;
        auto product = qarvo::common::MakePointer<NICO_ICHIBA_INFO>();
        product->image = System::xmlspecialchars_decode(rss.SubString(picture + 5, pictureEnd - 1));
        product->link = RewriteShopLink(address);
        qarvo::C_WString name =
            System::_htmlspecialchars_decode(System::utf8_to_utf16(rss.SubString(titleOpen + 1, titleClose - 1)));
        const int colon = name.IndexOf(kCategoryEnd);
        if (colon >= 0)
            name = name.SubString(colon + 1);
        product->title = name;
        items.push_back(product);
    }
}

MarketTurn NextMarketTurn(int& next, int count)
{
    MarketTurn turn;
    for (int i = 0; i < kSlots; ++i) {
        if (next + i >= count) {
            turn.reload = true;
            next = 0;
            return turn;
        }
        turn.indexes.push_back(next + i);
    }
    next += kSlots;
    return turn;
}

}  // namespace pelmora::viewer
