#include "engine/handlers/current_video.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "engine/handlers/comment_mapping.h"
#include "engine/handlers/comment_xml.h"
#include "engine/handlers/fork_comments.h"
#include "engine/job/request_words.h"
#include "engine/pelmora2.h"
#include "engine/service/comment_api.h"
#include "engine/service/nvcomment_markers.h"
#include "engine/service/query_text.h"
#include "qarvo/charcode/system_charcode.h"
#include "qarvo/time/time.h"

namespace pelmora::engine {
namespace {

namespace System = qarvo::common::System;
using namespace pelmora::nvnames;
using namespace pelmora::engine::nvcomment;

constexpr const char* kLoginNeeded = "過去のコメントを取得するにはログインが必要です";
// The newest comments of an answer without "when" follow one another but for the deleted
// ones; the older comments it mixes in lie further apart than this.
constexpr int32_t kNewestRunGap = 32;

struct Fork {
    size_t target = 0;
    bool main = false;
    qarvo::C_String id;
    qarvo::C_WString thread;  // as the records name it: "ID", or "ID:fork"
    int64_t limit = -1;       // how many of the newest are wanted; -1: every one
    int64_t commentCount = -1;
    ForkComments comments;
};

// What one answer brought for one fork.
struct PageOutcome {
    bool any = false;  // the answer held comments of the fork
    size_t fresh = 0;
    int64_t oldest = 0;
};

class CurrentVideoFetch {
public:
    CurrentVideoFetch(const WatchData& data, const qarvo::C_WArrayString& words, ParseContext& context,
                      const qarvo::C_String& cookie, const qarvo::C_String& finalUrl, int count)
        : m_data(data), m_words(words), m_context(context), m_cookie(cookie),
          m_api(StopSignal(context), data, cookie, videoId(data, finalUrl)), m_mapping(context.texts)
    {
        const bool all = modeHas(words, u"all");
        for (size_t i = 0; i < data.targets.size(); ++i) {
            const ThreadTarget& t = data.targets[i];
            Fork& f = m_forks.emplace_back();
            f.target = i;
            f.main = t.fork == kMainFork;
            f.id = qarvo::C_String(t.id);
            f.thread = System::utf8_to_utf16(qarvo::C_String(f.main ? t.id : t.id + kForkSeparator + t.fork));
            f.limit = all || t.fork == kOwnerFork ? -1 : std::max(count, 0);
            for (const ThreadListEntry& listed : data.threads)
                if (listed.id == t.id && listed.fork == t.fork)
                    f.commentCount = listed.commentCount;
        }
    }

    int Run()
    {
        const int code = collect();
        deliver();
        return code;
    }

private:
    static std::string videoId(const WatchData& data, const qarvo::C_String& finalUrl)
    {
        return data.videoId.empty() ? lastPathSegment(finalUrl, true).std() : data.videoId;
    }

    int collect()
    {
        std::vector<size_t> everyTarget;
        for (size_t i = 0; i < m_forks.size(); ++i)
            everyTarget.push_back(i);
        ThreadsAnswer answer;
        int code = m_api.RequestThreads(everyTarget, std::nullopt, answer);
        if (code != PELMORA_RESULT_SUCCESS)
            return failed(code);
        for (Fork& f : m_forks)
            absorb(answer, f);

        for (Fork& f : m_forks) {
            if (!wantsMore(f))
                continue;
            if (!hasLoginCookie(m_cookie)) {
                m_context.stateText = kLoginNeeded;
                return PELMORA_RESULT_NO_MESSAGE_SERVER;
            }
            code = pageBack(f);
            if (code != PELMORA_RESULT_SUCCESS)
                return code;
        }
        return PELMORA_RESULT_SUCCESS;
    }

    int failed(int code)
    {
        m_context.stateText = m_api.StateText();
        return code;
    }

    bool wantsMore(const Fork& f) const
    {
        const int64_t held = static_cast<int64_t>(f.comments.Count());
        if (f.limit >= 0 && static_cast<int64_t>(f.comments.NewestRun(kNewestRunGap)) >= f.limit)
            return false;
        if (f.commentCount >= 0)
            return held < f.commentCount;
        // Nothing said how many there are: a fork that brought none has none.
        return held > 0;
    }

    // The thread of the answer that is this fork's: same id and fork name, else the only
    // thread of that fork name (a page's id and the answer's may be written differently).
    const AnswerThread* threadOf(const ThreadsAnswer& answer, const Fork& f) const
    {
        const ThreadTarget& target = m_data.targets[f.target];
        const AnswerThread* byFork = nullptr;
        int forkMatches = 0;
        for (const AnswerThread& t : answer.threads) {
            if (t.fork != target.fork)
                continue;
            if (t.id == target.id)
                return &t;
            byFork = &t;
            ++forkMatches;
        }
        return forkMatches == 1 ? byFork : nullptr;
    }

    PageOutcome absorb(const ThreadsAnswer& answer, Fork& f)
    {
        PageOutcome outcome;
        const AnswerThread* thread = threadOf(answer, f);
        if (!thread)
            return outcome;
        if (thread->commentCount >= 0)
            f.commentCount = thread->commentCount;
        m_page.clear();
        for (const AnswerComment& c : thread->comments) {
            outcome.oldest = outcome.any ? std::min(outcome.oldest, c.postedAt) : c.postedAt;
            outcome.any = true;
            // Known ones are skipped before their texts are stored.
            if (!f.comments.Contains(c.no))
                m_page.push_back(m_mapping.Map(c));
        }
        outcome.fresh = f.comments.Merge(m_page);
        return outcome;
    }

    // Pages back in time with "when" from the oldest comment seen, until the fork has what is
    // wanted or a page brings nothing new. The first answer may mix older comments into the
    // newest ones; then the walk starts again from the newest, and that first page is allowed
    // to bring nothing new. A page can end inside a second that has more comments than a page
    // holds; asking for that second again brings nothing new, so the walk steps one second
    // back once before it takes "nothing new" for the beginning of the thread.
    int pageBack(Fork& f)
    {
        int64_t when = 0;
        bool exempt = false;
        if (f.comments.Count() == 0) {
            when = qarvo::C_Time().CreateTime();
        } else if (f.comments.Contiguous()) {
            when = f.comments.OldestDate();
        } else {
            when = f.comments.NewestDate();
            exempt = true;
        }
        bool steppedBack = false;
        const std::vector<size_t> target{f.target};
        for (int pages = 0; pages < kMaxPastPages; ++pages) {
            ThreadsAnswer answer;
            const int code = m_api.RequestThreads(target, when, answer);
            if (code != PELMORA_RESULT_SUCCESS)
                return failed(code);
            const PageOutcome page = absorb(answer, f);
            if (!wantsMore(f) || !page.any)
                break;
            if (page.fresh == 0 && !exempt) {
                if (steppedBack)
                    break;
                when = std::min(when, page.oldest) - 1;
                steppedBack = true;
                continue;
            }
            exempt = false;
            steppedBack = false;
            when = std::min(when, page.oldest);
        }
        return PELMORA_RESULT_SUCCESS;
    }

    void deliver()
    {
        m_context.threadEntries.clear();
        for (const Fork& f : m_forks) {
            const pelmora_wchar* thread = ChatItem::boundaryText(m_context.texts.Store(f.thread.view()));
            f.comments.AppendTo(m_context.chats, thread, f.limit);
            ParseContext::ThreadEntry entry;
            entry.thread = f.thread;
            entry.lastRes = f.comments.HighestNo();
            entry.commentCount =
                static_cast<int32_t>(std::clamp<int64_t>(f.commentCount >= 0 ? f.commentCount : f.comments.Count(), 0,
                                                         INT32_MAX));
            m_context.threadEntries.push_back(entry);
        }
        const auto main = std::find_if(m_forks.begin(), m_forks.end(), [](const Fork& f) { return f.main; });
        const size_t mainIndex = main == m_forks.end() ? 0 : static_cast<size_t>(main - m_forks.begin());
        if (!m_context.threadEntries.empty()) {
            const ParseContext::ThreadEntry& entry = m_context.threadEntries[mainIndex];
            m_context.thread = entry.thread;
            m_context.lastRes = entry.lastRes;
            m_context.commentCount = entry.commentCount;
        }
        m_context.viewCounter = static_cast<int32_t>(std::clamp<int64_t>(m_data.viewCount, 0, INT32_MAX));
        m_context.resultCode = 0;
        if (!m_data.title.empty())
            m_context.title = qarvo::C_String(m_data.title);
        if (modeHas(m_words, u"xml")) {
            const std::string xml = commentsAsXml(m_context);
            m_context.rawXml.Clear();
            m_context.rawXml.Add(xml.data(), static_cast<int>(xml.size()));
        }
        if (modeHas(m_words, u"cache") && !m_forks.empty())
            m_context.cacheKey =
                qarvo::C_String::Stringf("%s %s", m_data.server.c_str(), m_forks[mainIndex].id.c_str());
    }

    const WatchData& m_data;
    const qarvo::C_WArrayString& m_words;
    ParseContext& m_context;
    const qarvo::C_String& m_cookie;
    CommentApi m_api;
    CommentMapping m_mapping;
    std::vector<Fork> m_forks;
    std::vector<PendingComment> m_page;
};

}  // namespace

bool hasLoginCookie(const qarvo::C_String& cookie)
{
    const std::string& text = cookie.std();
    const std::string name = std::string(kLoginCookieName) + "=";
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos)
            end = text.size();
        size_t first = start;
        while (first < end && text[first] == ' ')
            ++first;
        if (text.compare(first, name.size(), name) == 0 && first + name.size() < end)
            return true;
        start = end + 1;
    }
    return false;
}

int fetchCurrentComments(const nvcomment::WatchData& data, const qarvo::C_WArrayString& words, ParseContext& context,
                         const qarvo::C_String& cookie, const qarvo::C_String& finalUrl, int count)
{
    // The fetch holds a parser and its buffers: kept off the job thread's stack.
    const auto fetch = std::make_unique<CurrentVideoFetch>(data, words, context, cookie, finalUrl, count);
    return fetch->Run();
}

}  // namespace pelmora::engine
