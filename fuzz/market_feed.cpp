// The market's ranking feed: only shop links are kept, each carrying our own affiliate values,
// never more products than the feed has items, and a rotation over them that stays in range.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/service/endpoints.h"
#include "fuzz_input.h"
#include "viewer/core/model/market_feed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::vector<pelmora::viewer::MarketItemPtr> items;
    pelmora::viewer::ParseMarketFeed(qarvo::C_String(bytes), items);
    size_t itemMarks = 0;
    for (size_t at = bytes.find("<item"); at != std::string::npos; at = bytes.find("<item", at + 1))
        ++itemMarks;
    pelmora::fuzz::require(items.size() <= itemMarks);
    const std::string shop = std::string("://") + pelmora::endpoints::kShopHost;
    const std::string ours = std::string("tag=") + pelmora::endpoints::kShopAffiliateTag;
    for (const auto& item : items) {
        const std::string link = item->link.std();
        const size_t host = link.find("://");
        pelmora::fuzz::require(host != std::string::npos && link.compare(host, shop.size(), shop) == 0);
        const size_t query = link.find('?');
        if (query != std::string::npos && link.find("tag=", query) != std::string::npos &&
            (link.find("?tag=") != std::string::npos || link.find("&tag=") != std::string::npos))
            pelmora::fuzz::require(link.find(ours) != std::string::npos);
    }
    int next = 0;
    const int count = static_cast<int>(items.size());
    for (int turn = 0; turn < 4; ++turn)
        for (const int index : pelmora::viewer::NextMarketTurn(next, count).indexes)
            pelmora::fuzz::require(index >= 0 && index < count);
    return 0;
}
