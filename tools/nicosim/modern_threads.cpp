#include "tools/nicosim/modern_threads.h"

#include "tools/nicosim/seeded.h"
#include "tools/nicosim/text_codec.h"
#include "tools/nicosim/time_text.h"

#include <algorithm>
#include <cstdio>

namespace nicosim {

std::vector<ModernFork> modernForks(const Catalogue& catalogue, const VideoFacts& video)
{
    std::vector<ModernFork> forks;
    const std::optional<ThreadFacts> main = catalogue.thread(video.threadId);
    if (!main)
        return forks;
    const bool channel = !video.optionalThreadId.empty();

    ModernFork owner{"owner", *main, 0};
    if (channel) {
        if (const std::optional<ThreadFacts> optional = catalogue.thread(video.optionalThreadId)) {
            owner.thread = *optional;
            owner.count = optional->commentCount;
        }
    }
    forks.push_back(owner);
    forks.push_back(ModernFork{"main", *main, main->commentCount});

    ModernFork easy{"easy", *main, 0};
    if (channel) {
        // Its own comments: the generator is seeded by the thread id.
        easy.thread.threadId = main->threadId + "-easy";
        easy.thread.kind = ThreadKind::VideoOptional;
        easy.count = std::max(1, main->commentCount / 10);
        easy.thread.commentCount = easy.count;
    }
    forks.push_back(easy);
    return forks;
}

int64_t modernPostedAt(const ModernFork& fork, int index)
{
    return fork.thread.firstDate + kBurstSpacing * (index / kBurst);
}

ModernComment modernComment(const Catalogue& catalogue, const ModernFork& fork, int index)
{
    const Chat chat = catalogue.visibleChat(fork.thread, index);
    Draw draw(seededHash(catalogue.seed(), hashText(fork.thread.threadId), static_cast<uint64_t>(index), 21));
    ModernComment c;
    c.id = std::to_string(draw.next() % 1000000000000000ull);
    c.no = chat.no;
    // Milliseconds the old position cannot show, so that a reader must divide.
    c.vposMs = static_cast<int64_t>(chat.vpos) * 10 + index % 10;
    c.body = chat.text;
    for (std::string& word : splitText(chat.mail, ' ')) {
        if (!word.empty())
            c.commands.push_back(std::move(word));
    }
    c.userId = chat.userId;
    c.premium = chat.premium;
    c.score = draw.below(40) == 0 ? -1000 - static_cast<int>(draw.below(4000)) : 0;
    c.postedAt = modernPostedAt(fork, index);
    c.nicoruCount = static_cast<int>(draw.below(5));
    return c;
}

std::vector<int> answeredIndexes(const ModernFork& fork, bool hasWhen, int64_t when, int lengthSeconds)
{
    std::vector<int> indexes;
    if (fork.count <= 0)
        return indexes;
    int last = fork.count - 1;
    if (hasWhen) {
        if (when < fork.thread.firstDate)
            return indexes;
        const int64_t burst = (when - fork.thread.firstDate) / kBurstSpacing;
        const int64_t lastInBurst = burst * kBurst + kBurst - 1;
        last = static_cast<int>(std::min<int64_t>(last, lastInBurst));
    }
    const int first = std::max(0, last - kPageComments + 1);
    if (!hasWhen && fork.name == "main" && first > 0) {
        const int filler = std::min(kMaxFiller, std::max(1, lengthSeconds / 60));
        for (int j = 0; j < filler; ++j) {
            const int index = static_cast<int>(static_cast<int64_t>(j) * first / filler);
            if (indexes.empty() || indexes.back() != index)
                indexes.push_back(index);
        }
    }
    for (int i = first; i <= last; ++i)
        indexes.push_back(i);
    return indexes;
}

void appendJsonString(std::string& out, std::string_view text)
{
    out += '"';
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (u < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
                out += escaped;
            } else if (c == '<') {
                out += "\\u003c"; // as the service writes it, so no "</script>" ever appears
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

void appendCommentJson(std::string& out, const ModernComment& c)
{
    out += "{\"id\":";
    appendJsonString(out, c.id);
    out += ",\"no\":" + std::to_string(c.no);
    out += ",\"vposMs\":" + std::to_string(c.vposMs);
    out += ",\"body\":";
    appendJsonString(out, c.body);
    out += ",\"commands\":[";
    for (size_t i = 0; i < c.commands.size(); ++i) {
        if (i > 0)
            out += ',';
        appendJsonString(out, c.commands[i]);
    }
    out += "],\"userId\":";
    appendJsonString(out, c.userId);
    out += c.premium ? ",\"isPremium\":true" : ",\"isPremium\":false";
    out += ",\"score\":" + std::to_string(c.score);
    out += ",\"postedAt\":";
    appendJsonString(out, isoJapanTime(c.postedAt));
    out += ",\"nicoruCount\":" + std::to_string(c.nicoruCount);
    out += ",\"nicoruId\":null,\"source\":\"leaf\",\"isMyPost\":false}";
}

} // namespace nicosim
