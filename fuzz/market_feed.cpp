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
        // The first parameter named "tag" of the query (its parts between "&") carries ours.
        const size_t query = link.find('?');
        for (size_t at = query; at != std::string::npos && at < link.size(); at = link.find('&', at + 1)) {
            if (link.compare(at + 1, 4, "tag=") == 0) {
                pelmora::fuzz::require(link.compare(at + 1, ours.size(), ours) == 0);
                break;
            }
        }
    }
    int next = 0;
    const int count = static_cast<int>(items.size());
    for (int turn = 0; turn < 4; ++turn)
        for (const int index : pelmora::viewer::NextMarketTurn(next, count).indexes)
            pelmora::fuzz::require(index >= 0 && index < count);
    return 0;
}
