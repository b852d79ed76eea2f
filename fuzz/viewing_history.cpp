// The viewing history page: entries and thumbnails go together, never more than the limit,
// and every stored link is absolute.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "viewer/core/model/viewing_history.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const qarvo::C_String page(std::string(reinterpret_cast<const char*>(data), size));
    pelmora::viewer::ViewingHistory history;
    pelmora::viewer::ParseViewingHistory(page, qarvo::C_WString(u"http://www.nicovideo.jp"), nullptr, history);
    pelmora::fuzz::require(history.entries.size() == history.thumbnails.size());
    pelmora::fuzz::require(history.entries.size() <= static_cast<size_t>(pelmora::viewer::kMaxHistoryEntries));
    for (const auto& entry : history.entries)
        pelmora::fuzz::require(entry->link.StartsWith(u"http://") || entry->link.StartsWith(u"https://"));
    return 0;
}
