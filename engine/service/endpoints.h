#pragma once
// Where the service lives. The engine and the viewer both take their host names and paths from
// here, so that one edit (or PELMORA_CONNECT_TO at run time) moves every request.
//
// The two other video sites are not the service's: their handlers find the video file address
// of a page on them. Their host names are compared for equality with the host of an address, so
// they are written exactly as such addresses carry them.

namespace pelmora::endpoints {

// --- host roles ---
inline constexpr const char* kMainHost = "www.nicovideo.jp";      // watch pages, getflv, history
inline constexpr const char* kLiveHost = "live.nicovideo.jp";     // broadcasts, getplayerstatus
inline constexpr const char* kExternalHost = "ext.nicovideo.jp";  // thumb_watch, getthumbinfo
inline constexpr const char* kMarketHost = "ichiba.nicovideo.jp"; // sales ranking feed
inline constexpr const char* kJikkyoHost = "jk.nicovideo.jp";     // Jikkyo channels
inline constexpr const char* kForumHost = "forum.nicovideo.jp";   // the report page
// The shop the market's ranking links to; only its products are shown. The simulated
// service's shop stands in for it.
inline constexpr const char* kShopHost = "www.shop.example";
// Our own value for the "tag=" parameter of a shop link (the shop's affiliate field).
inline constexpr const char* kShopAffiliateTag = "pelmoravista-22";
// What the "creative=" parameter of a shop link becomes.
inline constexpr const char* kShopCreative = "1211";

// The second and third supported video-sharing sites (address kinds 2 and 3): a site whose
// pages name a downloadable video address, and one whose pages only embed a player.
inline constexpr const char* kSecondVideoSiteHost = "www.getflv-video.jp";
inline constexpr const char* kThirdVideoSiteHost = "www.embed-video.jp";

// --- paths and queries on the main site host ---
inline constexpr const char* kWatchPath = "/watch/";
inline constexpr const char* kGetFlvPath = "/api/getflv?v=";
inline constexpr const char* kGetThreadKeyPath = "/api/getthreadkey?thread=";
// The time stamp the thread key request has always carried.
inline constexpr const char* kGetThreadKeyTimeStamp = "&ts=1229692207199";
inline constexpr const char* kHistoryPath = "/history";
inline constexpr const char* kTagPath = "/tag/";

// --- on the live site host ---
inline constexpr const char* kPlayerStatusPath = "/api/getplayerstatus?v=";

// --- on the external host ---
inline constexpr const char* kThumbWatchPath = "/thumb_watch";
inline constexpr const char* kThumbInfoPath = "/api/getthumbinfo/";

// --- on the market host ---
inline constexpr const char* kRankingPath = "/ranking/earnings/all/d?rss=rss2";

// --- on the forum host ---
inline constexpr const char* kReportPath = "/delete/comment/";

// The comment protocol version every thread request names.
inline constexpr const char* kThreadVersion = "20061206";

// Markers in a wide address that send it to the live handler.
inline constexpr const char16_t* kLiveMarker = u"//live.";
inline constexpr const char16_t* kJikkyoMarker = u"//jk.";

}  // namespace pelmora::endpoints
