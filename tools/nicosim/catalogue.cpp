#include "tools/nicosim/catalogue.h"

#include "tools/nicosim/seeded.h"
#include "tools/nicosim/text_codec.h"

#include <algorithm>
#include <array>

namespace nicosim {
namespace {

// Thread ids are the owner's number in a range per kind, so that a thread id alone tells the
// comment server which thread it is: sm N -> 1100000000 + N, nm N -> 1200000000 + N,
// so N -> 1300000000 + 2N (main) and + 1 (optional), lv N -> 1600000000 + N,
// jk N -> 1700000000 + N. All stay below 2^31.
constexpr uint32_t kMaxVideoNumber = 99999999;
constexpr int64_t kSmThreadBase = 1100000000;
constexpr int64_t kNmThreadBase = 1200000000;
constexpr int64_t kSoThreadBase = 1300000000;
constexpr int64_t kLiveThreadBase = 1600000000;
constexpr int64_t kJikkyoThreadBase = 1700000000;

// Seconds between comments of a video thread: comment k is posted in [first + 40k, first + 40k + 40).
constexpr int64_t kCommentSpacing = 40;

constexpr std::array kJapanesePhrases = {
    "うぽつ", "きたー", "ｷﾀ━━━━(ﾟ∀ﾟ)━━━━!!", "かわいい", "すげえ", "なにこれ", "おつ", "神",
    "ここすき", "初見です", "もう一回", "才能の無駄遣い", "ちょｗｗｗ", "いい曲", "鳥肌たった",
    "懐かしい", "職人乙", "これは良い", "泣いた", "かっけえ", "おおおおお", "まさかの展開",
    "ｗｗｗｗｗｗｗｗｗ", "ええ…", "腹筋崩壊", "弾幕薄いよ！何やってんの！", "全俺が泣いた",
    "全角　スペース　入り", "ﾃﾗﾜﾛｽ", "（´・ω・｀）", "３ゲット", "コメントのテストです",
    "ニコシムへようこそ", "今北産業", "ここテストに出ます", "わこつ", "お茶吹いた", "保存した",
    "作業がはかどる", "この動画を見たら寝る", "一時停止推奨", "えっ", "じわじわくる",
};

constexpr std::array kAsciiPhrases = {
    "www",  "8888888", "lol",   "GJ!",       "nice", "first!", "test", "wktk", "orz", "^^;",
    "OK",   "gg",      "kawaii", "NICE BOAT", "12345", "It works!", "hello, world", "wwwwwwwwww",
};

constexpr std::array kMultiLinePhrases = {
    "1行目\n2行目",
    "┏━━━┓\n┃ＧＪ┃\n┗━━━┛",
    "いい\nはなし\nだなー",
    "line one\nline two\nline three",
    "弾幕\n弾幕\n弾幕\n弾幕",
};

// Texts with characters the servers must escape.
constexpr std::array kMarkupPhrases = {
    "<script>alert(1)</script>", "Tom & Jerry", "\"引用\"です", "a < b > c", "&amp; already escaped",
    "<゜)))彡",                  "R&B最高",    "5 > 3",        "'single'",  "<b>太字</b>にならない",
};

struct MailChoice {
    const char* mail;
    int weight;
};

// "" leaves the mail attribute out, as the service does for plain comments.
constexpr std::array kMails = {
    MailChoice{"184", 30},          MailChoice{"", 14},         MailChoice{"184 red", 5},
    MailChoice{"184 shita", 5},     MailChoice{"184 big", 4},   MailChoice{"shita red big", 3},
    MailChoice{"naka medium 184", 5}, MailChoice{"184 device:3DS", 3}, MailChoice{"184 ue green", 3},
    MailChoice{"small blue", 2},    MailChoice{"184 white", 2}, MailChoice{"shita", 3},
    MailChoice{"red", 3},           MailChoice{"big", 3},       MailChoice{"184 shita big", 3},
};

constexpr std::array kTitleTopics = {"初音ミク", "歌ってみた", "実況プレイ", "手描き",   "演奏してみた",
                                     "料理",     "ゲーム",     "作業用BGM",  "ニコシム", "鉄道"};
constexpr std::array kTitleThings = {"カレー", "猫",   "ピアノ", "ギター", "アイドル",
                                     "ロボット", "電車", "宇宙",   "夏祭り", "雪だるま"};
constexpr std::array kTitleDoings = {"作って", "弾いて", "踊って", "描いて",
                                     "歌って", "走って", "解説して", "比べて"};

constexpr std::array kJpTags = {"音楽",   "ゲーム", "VOCALOID", "実況",   "作業用BGM", "料理",
                                "猫",     "鉄道",   "手描き",   "神回",   "ニコシム", "テスト",
                                "演奏",   "アニメ", "MAD",      "解説",   "技術部",   "日常"};
constexpr std::array kTwTags = {"測試", "彈幕", "音樂", "遊戲"};
constexpr std::array kDeTags = {"Kommentar", "Prüfung", "Musik", "Spiel"};
constexpr std::array kEsTags = {"comentario", "prueba", "música", "juego"};
constexpr std::array kKoTags = {"테스트", "댓글", "음악", "게임"};
// Tags that hold an ampersand; the service sometimes escapes those twice.
constexpr std::array kAmpersandTags = {"R&B", "コメント&テスト", "Q&A", "ロック&ロール"};

constexpr std::array kMarketCategories = {"CD", "DVD", "本", "ゲーム", "おもちゃ", "家電", "フィギュア", "Blu-ray"};
constexpr std::array kMarketNames = {"ボーカロイド ベスト",     "ニコニコ動画 公式ガイド", "実況プレイ 入門",
                                     "猫のいる暮らし 写真集",   "電子ピアノ 61鍵",         "夏祭り ライブ",
                                     "宇宙の図鑑",             "カレーの本",              "ロボット組み立てキット",
                                     "雪だるま フィギュア"};

const char kIdAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

template <typename Array>
const char* pickFrom(Draw& draw, const Array& items)
{
    return items[draw.below(items.size())];
}

std::string randomText(Draw& draw, const char* alphabet, size_t alphabetSize, int length)
{
    std::string out;
    out.reserve(length);
    for (int i = 0; i < length; ++i)
        out += alphabet[draw.below(alphabetSize)];
    return out;
}

const char* pickMail(Draw& draw)
{
    int total = 0;
    for (const MailChoice& m : kMails)
        total += m.weight;
    int roll = static_cast<int>(draw.below(total));
    for (const MailChoice& m : kMails) {
        if (roll < m.weight)
            return m.mail;
        roll -= m.weight;
    }
    return "184";
}

std::string pickText(Draw& draw)
{
    const uint64_t kind = draw.below(100);
    if (kind < 55)
        return pickFrom(draw, kJapanesePhrases);
    if (kind < 75)
        return pickFrom(draw, kAsciiPhrases);
    if (kind < 83)
        return std::string(pickFrom(draw, kJapanesePhrases)) + pickFrom(draw, kAsciiPhrases);
    if (kind < 89)
        return pickFrom(draw, kMultiLinePhrases);
    if (kind < 95)
        return pickFrom(draw, kMarkupPhrases);
    std::string longer;
    const int parts = 3 + static_cast<int>(draw.below(4));
    for (int i = 0; i < parts; ++i) {
        if (i > 0)
            longer += "　";
        longer += pickFrom(draw, kJapanesePhrases);
    }
    return longer;
}

std::string number(int64_t value)
{
    return std::to_string(value);
}

} // namespace

bool splitVideoId(std::string_view id, std::string& prefix, uint32_t& numberOut)
{
    if (id.size() < 3)
        return false;
    const std::string_view head = id.substr(0, 2);
    if (head != "sm" && head != "nm" && head != "so")
        return false;
    const std::string_view digits = id.substr(2);
    if (digits.size() > 8 || digits.front() == '0')
        return false;
    long long value = 0;
    if (!parseDecimal(digits, kMaxVideoNumber, value) || value < 1)
        return false;
    prefix = std::string(head);
    numberOut = static_cast<uint32_t>(value);
    return true;
}

Catalogue::Catalogue(uint32_t seed) : m_seed(seed) {}

std::vector<std::string> Catalogue::fixedVideoIds()
{
    return {"sm9", "so10", "sm100000", "sm404", "sm4", "sm5", "sm6", "sm7"};
}

std::optional<VideoFacts> Catalogue::video(std::string_view id) const
{
    std::string prefix;
    uint32_t n = 0;
    if (!splitVideoId(id, prefix, n))
        return std::nullopt;
    std::optional<VideoFacts> facts = genericVideo(prefix, n);
    VideoFacts& v = *facts;
    if (prefix == "sm" && n == 9) {
        v.title = "【nicosim】コメントが流れるデモ動画";
        v.description = "nicosimのデモ動画です。2,000件のコメントと5つの言語のタグがあります。";
        v.commentCount = 2000;
        v.lengthSeconds = 320;
        v.movieType = "mp4";
        v.tags = tagsFor(id, true);
    } else if (prefix == "so" && n == 10) {
        v.title = "【公式】チャンネル配信 第10話「鍵のかかったスレッド」";
        v.description = "スレッドキーとオプションスレッドのあるチャンネル動画です。";
        v.commentCount = 500;
        v.optionalCommentCount = 150;
        v.lengthSeconds = 1440;
        v.movieType = "mp4";
    } else if (prefix == "sm" && n == 100000) {
        v.title = "【耐久】10万コメントの動画";
        v.description = "コメントが100,000件ある動画です。";
        v.commentCount = 100000;
        v.lengthSeconds = 3600;
        v.movieType = "flv";
    } else if (prefix == "sm" && n == 404) {
        v.title = "削除された動画";
        v.page = WatchPage::Deleted;
    } else if (prefix == "sm" && n == 4) {
        v.title = "アクセス制限のテスト動画";
        v.page = WatchPage::AccessRefused;
        v.commentCount = 20;
    } else if (prefix == "sm" && n == 5) {
        v.title = "タイトルのないページの動画";
        v.page = WatchPage::NoUsableTitle;
        v.commentCount = 20;
    } else if (prefix == "sm" && n == 6) {
        v.title = "非公開設定から戻った動画 sm6";
        v.page = WatchPage::HeadingTitle;
        v.commentCount = 40;
    } else if (prefix == "sm" && n == 7) {
        // More tags than a page shows, too long for one row of the original page.
        v.title = "タグの多い動画";
        v.commentCount = 300;
        v.tags = {{"jp", {}}};
        for (const char* tag : {"ニコニコ技術部の作品集", "作業用BGMメドレー", "演奏してみたシリーズ", "鉄道のある風景",
                                "手描きアニメーション", "ゲーム実況プレイ", "料理してみたシリーズ", "猫と暮らす日常",
                                "VOCALOIDオリジナル曲", "解説付きの技術動画", "神回まとめ", "MAD動画の名作",
                                "ニコシムのテスト動画", "コメントの流れる動画", "長いタグの並ぶ動画", "十六番目のタグ",
                                "十七番目のタグ", "十八番目のタグ"})
            v.tags[0].tags.push_back({tag, false, false, false});
    } else if (prefix == "sm" && n == 8) {
        // Characters that the pages escape, and counts past a thousand.
        v.title = "<実況> Tom & Jerry の\"名場面\"集 〜 第一話から最終話までを一気に振り返る特別編集版";
        v.commentCount = 1234;
        v.lengthSeconds = 4000;
    }
    v.heading = v.title;
    return facts;
}

std::optional<VideoFacts> Catalogue::genericVideo(std::string_view prefix, uint32_t n) const
{
    const std::string id = std::string(prefix) + std::to_string(n);
    Draw draw(seededHash(m_seed, hashText(id), 1));
    VideoFacts v;
    v.id = id;

    switch (draw.below(4)) {
    case 0:
        v.title = std::string("【") + pickFrom(draw, kTitleTopics) + "】" + pickFrom(draw, kTitleThings) + "を" +
                  pickFrom(draw, kTitleDoings) + "みた";
        break;
    case 1:
        v.title = std::string("【") + pickFrom(draw, kTitleTopics) + "】" + pickFrom(draw, kTitleThings) + "の話 Part" +
                  std::to_string(1 + draw.below(30));
        break;
    case 2:
        v.title = std::string(pickFrom(draw, kTitleThings)) + " & " + pickFrom(draw, kTitleThings) + "で" +
                  pickFrom(draw, kTitleDoings) + "みた";
        break;
    default:
        v.title = std::string(pickFrom(draw, kTitleTopics)) + "「" + pickFrom(draw, kTitleThings) + "」 " + id;
        break;
    }
    v.description = "nicosimが用意した動画 " + id + " です。";

    // Comment counts spread over four decades, 3 to 29,999.
    static const int kDecades[] = {3, 30, 300, 3000};
    const int decade = kDecades[draw.below(4)];
    v.commentCount = decade + static_cast<int>(draw.below(static_cast<uint64_t>(decade) * 9));

    const uint64_t typeRoll = draw.below(100);
    v.movieType = typeRoll < 60 ? "mp4" : typeRoll < 95 ? "flv" : "swf";
    v.lengthSeconds = 30 + static_cast<int>(draw.below(1800));
    v.firstRetrieve = 1180000000 + static_cast<int64_t>(draw.below(300000000));
    v.viewCount = v.commentCount * 5 + static_cast<int>(draw.below(100000));
    v.mylistCount = v.viewCount / 50 + static_cast<int>(draw.below(100));

    const int64_t base = prefix == "sm" ? kSmThreadBase : prefix == "nm" ? kNmThreadBase : kSoThreadBase;
    if (prefix == "so") {
        v.threadId = number(base + 2 * static_cast<int64_t>(n));
        v.optionalThreadId = number(base + 2 * static_cast<int64_t>(n) + 1);
        v.optionalCommentCount = 1 + static_cast<int>(draw.below(static_cast<uint64_t>(v.commentCount) / 3 + 1));
        v.threadKey = number(1300000000 + static_cast<int64_t>(draw.below(100000000))) + "." +
                      randomText(draw, kIdAlphabet, 64, 27);
    } else {
        v.threadId = number(base + n);
    }

    // The external player's key holds "+", "/" and "=" so that a client must encode it.
    v.thumbPlayKey = randomText(draw, kBase64Alphabet, 64, 20) + "+" + randomText(draw, kBase64Alphabet, 64, 5) +
                     "/" + randomText(draw, kBase64Alphabet, 64, 4) + "=";
    v.thumbnailUrl = "http://tn.smilevideo.jp/smile?i=" + std::to_string(n);
    v.videoUrl = "http://smile-com00.nicovideo.jp/smile?" + std::string(v.movieType == "swf" ? "s=" : "m=") +
                 std::to_string(n) + "." + std::to_string(10000 + draw.below(90000));
    v.tags = tagsFor(id, false);
    v.heading = v.title;
    return v;
}

std::vector<TagDomain> Catalogue::tagsFor(std::string_view id, bool demo) const
{
    std::vector<TagDomain> domains;
    if (demo) {
        domains.push_back({"jp",
                           {{"nicosim", true, true, false},
                            {"デモ", true, false, false},
                            {"コメント&テスト", false, false, true},
                            {"VOCALOID", false, false, false},
                            {"R&B", true, false, true},
                            {"作業用BGM", false, false, false},
                            {"<タグ>の中の記号", false, false, false},
                            {"音楽", false, false, false}}});
        domains.push_back({"tw", {{"測試", true, false, false}, {"彈幕", false, false, false}}});
        domains.push_back({"de", {{"Kommentar", false, false, false}, {"Prüfung", true, false, false}}});
        domains.push_back({"es", {{"comentario", false, false, false}, {"prueba & error", false, false, true}}});
        domains.push_back({"ko", {{"테스트", false, false, false}, {"댓글", true, false, false}}});
        return domains;
    }

    Draw draw(seededHash(m_seed, hashText(id), 2));
    TagDomain jp{"jp", {}};
    const int jpCount = 3 + static_cast<int>(draw.below(6));
    for (int i = 0; i < jpCount; ++i) {
        Tag tag{pickFrom(draw, kJpTags), draw.chance(40), false, false};
        if (std::none_of(jp.tags.begin(), jp.tags.end(), [&](const Tag& t) { return t.text == tag.text; }))
            jp.tags.push_back(tag);
    }
    jp.tags.front().category = draw.chance(50);
    if (draw.chance(25))
        jp.tags.push_back({pickFrom(draw, kAmpersandTags), draw.chance(30), false, true});
    domains.push_back(std::move(jp));

    const std::pair<const char*, const std::array<const char*, 4>*> others[] = {
        {"tw", &kTwTags}, {"de", &kDeTags}, {"es", &kEsTags}, {"ko", &kKoTags}};
    for (const auto& [domain, pool] : others) {
        if (!draw.chance(30))
            continue;
        TagDomain d{domain, {}};
        const int count = 1 + static_cast<int>(draw.below(3));
        for (int i = 0; i < count; ++i)
            d.tags.push_back({(*pool)[static_cast<size_t>(i)], draw.chance(30), false, false});
        domains.push_back(std::move(d));
    }
    return domains;
}

std::optional<LiveFacts> Catalogue::live(std::string_view id) const
{
    for (LiveFacts& facts : liveBroadcasts()) {
        if (facts.id == id)
            return std::move(facts);
    }
    return std::nullopt;
}

std::vector<LiveFacts> Catalogue::liveBroadcasts() const
{
    const int64_t open = 1400000000 + static_cast<int64_t>(seededHash(m_seed, 3) % 100000);
    std::vector<LiveFacts> list;
    // Running broadcasts start with more chats than a first request may ask for (1,000), so
    // that a reader that waits for one chat beyond its count is answered at the next push.
    list.push_back({"lv1", false, false, "【nicosim】24時間テスト放送", "co1729", number(kLiveThreadBase + 1), 1500, open});
    list.push_back({"lv2", false, true, "【nicosim】終了した放送", "co1729", number(kLiveThreadBase + 2), 120, open - 86400});
    list.push_back({"jk1", true, false, "ニコシム実況 1ch", "jk1", number(kJikkyoThreadBase + 1), 1500, open});
    return list;
}

std::optional<ThreadFacts> Catalogue::thread(std::string_view threadId) const
{
    long long value = 0;
    if (!parseDecimal(threadId, 9999999999LL, value))
        return std::nullopt;
    if (value > kLiveThreadBase) {
        for (const LiveFacts& live : liveBroadcasts()) {
            if (live.threadId == threadId) {
                ThreadFacts t;
                t.threadId = live.threadId;
                t.kind = ThreadKind::Live;
                t.ownerId = live.id;
                t.commentCount = live.initialChats;
                t.firstDate = live.openTime;
                return t;
            }
        }
        return std::nullopt;
    }

    std::string videoId;
    bool optional = false;
    if (value > kSoThreadBase && value <= kSoThreadBase + 2LL * kMaxVideoNumber + 1) {
        const long long offset = value - kSoThreadBase;
        optional = offset % 2 == 1;
        videoId = "so" + number(offset / 2);
    } else if (value > kNmThreadBase && value <= kNmThreadBase + kMaxVideoNumber) {
        videoId = "nm" + number(value - kNmThreadBase);
    } else if (value > kSmThreadBase && value <= kSmThreadBase + kMaxVideoNumber) {
        videoId = "sm" + number(value - kSmThreadBase);
    } else {
        return std::nullopt;
    }

    const std::optional<VideoFacts> v = video(videoId);
    if (!v || v->threadId.empty())
        return std::nullopt;
    ThreadFacts t;
    t.ownerId = v->id;
    t.lengthSeconds = v->lengthSeconds;
    t.deleted = v->page == WatchPage::Deleted;
    if (optional) {
        if (v->optionalThreadId != threadId)
            return std::nullopt;
        t.threadId = v->optionalThreadId;
        t.kind = ThreadKind::VideoOptional;
        t.commentCount = v->optionalCommentCount;
    } else {
        if (v->threadId != threadId)
            return std::nullopt;
        t.threadId = v->threadId;
        t.kind = ThreadKind::VideoMain;
        t.commentCount = v->commentCount;
        t.threadKey = v->threadKey;
    }
    t.firstDate = v->firstRetrieve + 60;
    return t;
}

std::string Catalogue::userIdFor(const ThreadFacts& thread, int user, bool anonymous) const
{
    if (anonymous) {
        // Anonymous posters get a hashed id per video, as on the service: 27 characters.
        Draw draw(seededHash(m_seed, hashText(thread.ownerId), static_cast<uint64_t>(user), 5));
        return randomText(draw, kIdAlphabet, 64, 27);
    }
    return number(100000 + static_cast<int64_t>(seededHash(m_seed, static_cast<uint64_t>(user), 6) % 89900000));
}

Chat Catalogue::chat(const ThreadFacts& thread, int index) const
{
    return makeChat(thread, index, true);
}

Chat Catalogue::visibleChat(const ThreadFacts& thread, int index) const
{
    return makeChat(thread, index, false);
}

Chat Catalogue::makeChat(const ThreadFacts& thread, int index, bool mayBeDeleted) const
{
    Draw draw(seededHash(m_seed, hashText(thread.threadId), static_cast<uint64_t>(index), 4));
    Chat c;
    c.no = index + 1;
    if (thread.kind == ThreadKind::Live) {
        // Two chats a second from the opening time.
        c.date = thread.firstDate + index / 2;
        c.dateUsec = (index % 2) * 500000 + static_cast<int>(draw.below(500000));
        c.vpos = index * 50 + static_cast<int>(draw.below(50));
    } else {
        c.date = thread.firstDate + static_cast<int64_t>(index) * kCommentSpacing +
                 static_cast<int64_t>(draw.below(kCommentSpacing));
        c.vpos = static_cast<int>(draw.below(static_cast<uint64_t>(std::max(1, thread.lengthSeconds * 100))));
    }
    // The roll is drawn either way, so that the rest of a visible comment is the same.
    if (draw.below(60) == 0 && mayBeDeleted) {
        c.deleted = 1 + static_cast<int>(draw.below(2));
        c.anonymity = true;
        return c;
    }
    const int users = thread.kind == ThreadKind::Live ? 60 : std::max(4, thread.commentCount / 6);
    const int user = static_cast<int>(draw.below(static_cast<uint64_t>(users)));
    c.mail = pickMail(draw);
    c.anonymity = c.mail.find("184") != std::string::npos;
    c.userId = userIdFor(thread, user, c.anonymity);
    c.premium = seededHash(m_seed, hashText(thread.ownerId), static_cast<uint64_t>(user), 7) % 3 == 0;
    c.text = pickText(draw);
    return c;
}

std::vector<HistoryEntry> Catalogue::history(int count) const
{
    std::vector<HistoryEntry> entries;
    const int64_t now = 1700000000 + static_cast<int64_t>(seededHash(m_seed, 8) % 1000000);
    int64_t watched = now;
    for (int i = 0; i < count; ++i) {
        Draw draw(seededHash(m_seed, 9, static_cast<uint64_t>(i)));
        HistoryEntry e;
        if (i == 0) {
            e.videoId = "sm9";
        } else if (i == 1) {
            e.videoId = "so10";
        } else if (i == 2) {
            e.videoId = "sm6";
        } else if (i == 3) {
            e.videoId = "sm8";
        } else {
            const char* prefixes[] = {"sm", "sm", "sm", "nm", "so"};
            e.videoId = std::string(prefixes[draw.below(5)]) + std::to_string(1000 + draw.below(30000000));
        }
        watched -= 600 + static_cast<int64_t>(draw.below(86400));
        e.watchedAt = watched;
        e.earlierViews = static_cast<int>(draw.below(6));
        e.absoluteLink = i % 5 == 4;
        entries.push_back(std::move(e));
    }
    return entries;
}

MarketItem Catalogue::marketItem(int rank) const
{
    Draw draw(seededHash(m_seed, 10, static_cast<uint64_t>(rank)));
    MarketItem item;
    item.rank = rank;
    item.category = pickFrom(draw, kMarketCategories);
    item.name = pickFrom(draw, kMarketNames);
    item.code = "B0" + randomText(draw, "ABCDEFGHJKLMNPQRSTUVWXYZ0123456789", 34, 8);
    item.elsewhere = rank % 4 == 0;
    item.price = 500 + static_cast<int>(draw.below(200)) * 50;
    return item;
}

} // namespace nicosim
