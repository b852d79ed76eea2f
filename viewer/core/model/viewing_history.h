#pragma once
// The user's viewing history, cut out of the main site's history page. The markers below are
// the contract with the service's markup; they sit in viewing_history.cpp only, so that a
// change of the page is a change of that file.

#include <atomic>
#include <vector>

#include "qarvo/text/pointer.h"
#include "qarvo/text/string.h"

namespace pelmora::viewer {

// One history entry. The page offers five texts and four numbers; the three other text fields
// have no source there and stay empty.
struct NICO_RANKING_DATA {
    qarvo::C_WString link;          // the video's address, absolute
    qarvo::C_WString spanText;      // the video's length
    qarvo::C_WString firstStrong;   // line 1 of the entry
    qarvo::C_WString secondStrong;  // the last viewing date
    qarvo::C_WString anchorText;    // the title, markup entities decoded
    qarvo::C_WString unused1;
    qarvo::C_WString unused2;
    qarvo::C_WString unused3;
    int playCount = 0;
    int commentCount = 0;
    int viewCount = 0;   // the earlier views on the page, plus this one
    int extraCount = 0;
};

using HistoryEntryPtr = qarvo::common::Pointer<NICO_RANKING_DATA>;

// A long history page is cut here (the service shows far fewer).
inline constexpr int kMaxHistoryEntries = 201;

struct ViewingHistory {
    std::vector<HistoryEntryPtr> entries;
    // The thumbnail address of each stored entry, in the same order.
    std::vector<qarvo::C_String> thumbnails;
};

// The origin of an address: scheme and host, up to the first "/" after position 8.
qarvo::C_WString SiteRoot(const qarvo::C_WString& address);

// Parses the UTF-8 page into `history` (appending). Relative links are made absolute with
// `siteRoot`. Stops quietly at a missing marker, after kMaxHistoryEntries entries, or when
// `closing` becomes non-zero; what was complete by then is kept. False when the page is no
// history list at all (an error page, the list's markers missing): there is nothing to show.
bool ParseViewingHistory(const qarvo::C_String& page, const qarvo::C_WString& siteRoot,
                         const std::atomic<int>* closing, ViewingHistory& history);

// The first run of decimal digits of `text` outside double-quoted stretches; a group of three
// digits after a comma continues it ("1,234" is 1234). Saturates at INT_MAX.
bool FirstNumberOutsideQuotes(const qarvo::C_WString& text, int* value);

}  // namespace pelmora::viewer
