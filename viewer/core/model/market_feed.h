#pragma once
// The market's sales ranking: products cut out of its RSS feed, their shop links rewritten,
// and the rotation that shows them three at a time. The markers sit in market_feed.cpp only.

#include <vector>

#include "qarvo/text/pointer.h"
#include "qarvo/text/string.h"

namespace pelmora::viewer {

struct NICO_ICHIBA_INFO {
    qarvo::C_String image;  // the picture's address, XML entities decoded
    qarvo::C_String link;   // the shop link, rewritten
    qarvo::C_WString title; // the product name (the text after the category's "：")
};

using MarketItemPtr = qarvo::common::Pointer<NICO_ICHIBA_INFO>;

// Appends the shop's products of the feed in their order; items linking elsewhere are left
// out without taking a place. Stops quietly at the first item missing a marker.
void ParseMarketFeed(const qarvo::C_String& rss, std::vector<MarketItemPtr>& items);

// The link with the value of "tag=" (up to the next "&" or the end) replaced by ours, then that
// of "creative=".
qarvo::C_String RewriteShopLink(const qarvo::C_String& link);

// One turn of the rotation: the products to show (slot = index % 3) from `next` on, and
// whether the end of the list was reached (then the feed is loaded again and `next` is 0).
struct MarketTurn {
    std::vector<int> indexes;
    bool reload = false;
};
MarketTurn NextMarketTurn(int& next, int count);

}  // namespace pelmora::viewer
