#pragma once
// The data nicosim serves: videos, their comment threads, live broadcasts, the viewing history
// and the market ranking. Everything is derived from the seed on demand; nothing is stored, so
// a thread of 100,000 comments costs nothing until someone asks for it.
//
// Fixed ids (the same for every seed; the seed changes texts, users and numbers):
//   sm9       the demo video: 2,000 comments, tags in five domains, first in the history
//   so10      a channel video: main thread of 500 comments that needs a thread key, and an
//             optional thread of 150 comments
//   sm100000  a video with 100,000 comments
//   sm404     deleted: its watch page answers 404
//   sm4       the watch page is the access-refused page (heading with "短")
//   sm5       the watch page has no usable title (no "‐" in the title, no "非" or "短")
//   sm6       the watch page title has no "‐"; its heading (with "非") is the title
//   sm7       eighteen long tags: more than a page shows, several rows at the original size
//   lv1       a running broadcast, a new chat every clock tick
//   lv2       an ended broadcast
//   jk1       a Jikkyo channel, a new chat every clock tick
// Any other id "sm", "nm" or "so" followed by 1 to 8 digits (no leading zero) is a generic
// video with a seeded title and 3 to 30,000 comments; "so" videos have an optional thread and
// a thread key like so10.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nicosim {

// One comment as the comment servers write it.
struct Chat {
    int no = 0;
    int vpos = 0;
    int64_t date = 0;
    int dateUsec = -1;     // live chats carry date_usec; -1 leaves the attribute out
    std::string mail;      // empty: no mail attribute
    std::string userId;
    bool premium = false;
    bool anonymity = false;
    int deleted = 0;       // 1 or 2: a deleted comment, written self-closed without user or mail
    std::string text;      // plain text; the servers write it entity-escaped
};

struct Tag {
    std::string text;          // as a viewer shows it
    bool locked = false;
    bool category = false;
    bool doubleEscaped = false; // written with its "&" escaped twice, as the service sometimes does
};

struct TagDomain {
    std::string domain; // "jp", "tw", "de", "es" or "ko"
    std::vector<Tag> tags;
};

enum class WatchPage { Normal, AccessRefused, NoUsableTitle, HeadingTitle, Deleted };

struct VideoFacts {
    std::string id;
    WatchPage page = WatchPage::Normal;
    std::string title;        // plain text, never holding "‐"
    std::string heading;      // the page's h1 text
    std::string description;
    std::string movieType;    // "mp4", "flv" or "swf"
    int lengthSeconds = 0;
    int64_t firstRetrieve = 0;
    int viewCount = 0;
    int mylistCount = 0;
    std::string threadId;
    int commentCount = 0;
    std::string optionalThreadId; // empty when the video has none
    int optionalCommentCount = 0;
    std::string threadKey;        // non-empty when the main thread needs a key
    std::string thumbPlayKey;     // the external player's key (holds "+", "/" and "=")
    std::string thumbnailUrl;
    std::string videoUrl;         // the video file address getflv gives out
    std::vector<TagDomain> tags;
};

struct LiveFacts {
    std::string id;
    bool jikkyo = false;
    bool ended = false;
    std::string title;
    std::string community;
    std::string threadId;
    int initialChats = 0; // chats posted before the server started
    int64_t openTime = 0;
};

enum class ThreadKind { VideoMain, VideoOptional, Live };

struct ThreadFacts {
    std::string threadId;
    ThreadKind kind = ThreadKind::VideoMain;
    std::string ownerId;      // the video or broadcast id
    int commentCount = 0;     // for live threads: the chats posted before the server started
    int lengthSeconds = 0;
    int64_t firstDate = 0;
    std::string threadKey;    // non-empty when requests need it
    bool deleted = false;
};

struct HistoryEntry {
    std::string videoId;
    int64_t watchedAt = 0;
    int earlierViews = 0;
    bool absoluteLink = false;
};

struct MarketItem {
    int rank = 0;
    std::string category;     // the title's prefix before "："
    std::string name;
    std::string code;         // product code in the shop
    bool elsewhere = false;   // the link points to another shop
    int price = 0;
};

// The login the simulated service expects in the Cookie header.
inline constexpr std::string_view kSessionCookieName = "user_session";
inline constexpr std::string_view kSessionCookieValue = "user_session_nicosim";
inline constexpr std::string_view kLoginCookie = "user_session=user_session_nicosim";
inline constexpr std::string_view kUserId = "1729";
inline constexpr std::string_view kNickname = "ニコシム";

class Catalogue {
public:
    explicit Catalogue(uint32_t seed);

    uint32_t seed() const { return m_seed; }

    // Videos: nullopt for an id that names no video (deleted ones are found, with page Deleted).
    std::optional<VideoFacts> video(std::string_view id) const;
    std::optional<LiveFacts> live(std::string_view id) const;
    // A thread by its id, without any "~" suffix.
    std::optional<ThreadFacts> thread(std::string_view threadId) const;

    // Comment number index + 1 of a thread (index from 0). Live threads go on without end.
    Chat chat(const ThreadFacts& thread, int index) const;
    // The same comment as today's comment interface shows it: never deleted (the interface
    // leaves deleted comments out, so nicosim shows every one), otherwise identical.
    Chat visibleChat(const ThreadFacts& thread, int index) const;

    std::vector<LiveFacts> liveBroadcasts() const;
    std::vector<HistoryEntry> history(int count) const;
    MarketItem marketItem(int rank) const;

    // Ids of the fixed videos, in the order of the table above.
    static std::vector<std::string> fixedVideoIds();

private:
    std::optional<VideoFacts> genericVideo(std::string_view prefix, uint32_t number) const;
    std::vector<TagDomain> tagsFor(std::string_view id, bool demo) const;
    std::string userIdFor(const ThreadFacts& thread, int user, bool anonymous) const;
    Chat makeChat(const ThreadFacts& thread, int index, bool mayBeDeleted) const;

    uint32_t m_seed;
};

// Splits a video id into its prefix ("sm", "nm", "so") and number; false for anything else.
bool splitVideoId(std::string_view id, std::string& prefix, uint32_t& number);

} // namespace nicosim
