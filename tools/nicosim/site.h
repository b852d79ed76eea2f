#pragma once
// The answers of the simulated service, one function per kind of page, independent of the
// HTTP server that carries them (server.cpp routes requests here and applies the faults).

#include "tools/nicosim/catalogue.h"
#include "tools/nicosim/faults.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nicosim {

// Host names the simulated service answers for.
inline constexpr const char* kMainHost = "www.nicovideo.jp";
inline constexpr const char* kLiveHost = "live.nicovideo.jp";
inline constexpr const char* kExternalHost = "ext.nicovideo.jp";
inline constexpr const char* kMarketHost = "ichiba.nicovideo.jp";
inline constexpr const char* kJikkyoHost = "jk.nicovideo.jp";
inline constexpr const char* kForumHost = "forum.nicovideo.jp";
inline constexpr const char* kCommentHost = "msg.nicovideo.jp";
inline constexpr const char* kThumbnailHost = "tn.smilevideo.jp";
inline constexpr const char* kVideoFileHost = "smile-com00.nicovideo.jp";
inline constexpr const char* kShopHost = "www.shop.example";
// Two sites under a two-level public suffix: the first answers like the main site, the second
// is its sibling, another site ("sibling" fault word), which must never get the login.
inline constexpr const char* kSuffixMainHost = "www.nicosim.co.jp";
inline constexpr const char* kSiblingHost = "www.sibling.co.jp";
// Market items that point to another shop link here; nicosim does not answer for it.
inline constexpr const char* kOtherShopHost = "www.othershop.example";
// The comment server address getflv hands out.
inline constexpr const char* kCommentServerUrl = "http://msg.nicovideo.jp/10/api/";
// With Options::liveAddressByName the player status names this host and port.
inline constexpr const char* kLiveCommentHost = "msg101.live.nicovideo.jp";
inline constexpr int kLiveCommentPort = 2805;
// Today's live path: the WebSocket's host and the segmented comment stream's host.
inline constexpr const char* kLiveSocketHost = "a.live2.nicovideo.jp";
inline constexpr const char* kLiveStreamHost = "mpn.live.nicovideo.jp";

struct Answer {
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
};

struct PageRequest {
    std::string method;
    std::string host;
    std::string path; // decoded, without the query
    std::vector<std::pair<std::string, std::string>> rawParams; // query, then form body fields
    std::string body;
    bool loggedIn = false;
    Faults faults;

    // The first parameter of that name, percent-decoded ("+" as space); empty when absent.
    std::string param(std::string_view name) const;
    // The same, as sent.
    std::string rawParam(std::string_view name) const;
    bool hasParam(std::string_view name) const;
};

class OnceMemory;

struct SiteContext {
    const Catalogue& catalogue;
    int livePort = 0;
    bool liveAddressByName = false;
    int historyEntries = 31;
    int marketItems = 12;
    bool modernVideos = false;     // watch pages are today's unless a request says "classic"
    OnceMemory* once = nullptr;    // for faults that strike only the first try
    int64_t liveStartMs = 0;       // when the live clock began (ms since 1970), for "endN"
};

// Splits "a=1&b=%20" into raw name/value pairs; pieces without "=" get an empty value.
void appendRawPairs(std::string_view text, std::vector<std::pair<std::string, std::string>>& pairs);

// www.nicovideo.jp
Answer watchPage(const SiteContext& site, const PageRequest& request, std::string_view id);
Answer getflvAnswer(const SiteContext& site, const PageRequest& request);
Answer threadKeyAnswer(const SiteContext& site, const PageRequest& request);
Answer historyPage(const SiteContext& site, const PageRequest& request);
Answer indexPage(const SiteContext& site);
Answer tagPage(const SiteContext& site, std::string_view tag);

// ext.nicovideo.jp
Answer thumbInfoAnswer(const SiteContext& site, std::string_view id);
Answer thumbWatchAnswer(const SiteContext& site, const PageRequest& request);

// live.nicovideo.jp and jk.nicovideo.jp; a live page is today's (modern_live_page.cpp) when
// wantsModernPage says so.
Answer livePage(const SiteContext& site, const PageRequest& request, std::string_view id, bool jikkyoHost);
Answer modernLivePage(const SiteContext& site, const PageRequest& request, const LiveFacts& live,
                      std::string_view requestedId);
Answer playerStatusAnswer(const SiteContext& site, const PageRequest& request);

// msg.nicovideo.jp: a POST body of thread elements, or a GET with thread and res_from.
Answer commentServerAnswer(const SiteContext& site, const PageRequest& request);
// The "~" words of every thread the comment request names.
std::vector<std::string> commentRequestWords(std::string_view body);

// Today's watch page (modern_pages.cpp), chosen by watchPage; the comment interface on
// public.nvcomment.nicovideo.jp and the thread key endpoint on nvapi.nicovideo.jp.
bool wantsModernPage(const SiteContext& site, const PageRequest& request);
Answer modernWatchPage(const SiteContext& site, const PageRequest& request, const VideoFacts& video,
                       std::string_view requestedId);
Answer commentApiAnswer(const SiteContext& site, const PageRequest& request);
Answer threadKeyApiAnswer(const SiteContext& site, const PageRequest& request);
// The "~" words of the thread ids a thread request names.
std::vector<std::string> commentApiRequestWords(std::string_view body);

// ichiba.nicovideo.jp
Answer marketFeed(const SiteContext& site, const PageRequest& request);

// Pictures, and the other hosts.
Answer thumbnailPicture(const SiteContext& site, std::string_view label);
Answer productPicture(const SiteContext& site, std::string_view label);
Answer forumPage();
Answer shopPage(std::string_view path);
Answer videoFile(const SiteContext& site, const PageRequest& request);
Answer notFoundPage(std::string_view what);

} // namespace nicosim
