#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/handlers/current_video.h"
#include "engine/handlers/video_handler.h"
#include "engine/job/request_words.h"
#include "engine/parse/chat_item.h"
#include "engine/parse/parse_context.h"
#include "engine/parse/parse_result.h"
#include "engine/service/comment_api.h"
#include "qarvo/charcode/system_charcode.h"
#include "qarvo/escape/markup.h"
#include "tests/engine/sim_support/sim_env.h"
#include "tools/nicosim/modern_threads.h"
#include "tools/nicosim/tls.h"

namespace pelmora::engine {
namespace {

namespace System = qarvo::common::System;
using pelmora::test::SimEnvTest;

std::string narrow(std::u16string_view text)
{
    return System::utf16_to_utf8(qarvo::C_WString(std::u16string(text))).std();
}

// A page ends inside a second of several comments, so that the walk must merge across it.
static_assert(nicosim::kPageComments % nicosim::kBurst != 0);

class CurrentVideo : public SimEnvTest {
protected:
    int fetch(const std::string& request)
    {
        context = std::make_unique<ParseContext>();
        words = splitRequest(System::utf8_to_utf16(qarvo::C_String(request)));
        const qarvo::C_String address = words.GetString(kAddressWord).ToString();
        context->stopFlag = &stop;
        return handleVideo(address.c_str(), words, *context);
    }

    // (thread, no) of every delivered comment, in order. Thread ids carry nicosim's fault
    // words on ("ID~words:fork", as the old path's do); they are left out here.
    std::vector<std::pair<std::string, int>> delivered() const
    {
        std::vector<std::pair<std::string, int>> out;
        for (const ChatItem& item : context->chats) {
            std::string thread = narrow(textOf(item.thread));
            const size_t tilde = thread.find('~');
            if (tilde != std::string::npos)
                thread.erase(tilde, thread.find(':', tilde) - tilde);
            out.emplace_back(thread, item.no);
        }
        return out;
    }

    std::vector<int> numbersOf(const std::string& thread) const
    {
        std::vector<int> out;
        for (const auto& [t, no] : delivered())
            if (t == thread)
                out.push_back(no);
        return out;
    }

    static std::vector<int> range(int first, int last)
    {
        std::vector<int> out;
        for (int i = first; i <= last; ++i)
            out.push_back(i);
        return out;
    }

    std::string state() const { return context->stateText.std(); }

    std::atomic<int> stop{0};
    qarvo::C_WArrayString words;
    std::unique_ptr<ParseContext> context;
};

TEST_F(CurrentVideo, ForksInTargetOrderWithTheirRecordsAndThreadEntries)
{
    installLoginCookieFolder();
    ASSERT_EQ(fetch("http://www.nicovideo.jp/watch/so10~modern 20 ori2"), 0) << state();
    const auto video = sim->catalogue().video("so10");
    const std::vector<nicosim::ModernFork> forks = nicosim::modernForks(sim->catalogue(), *video);
    const std::string id = video->threadId;

    // The owner's comments all, then the newest 20 of main and of easy, each ascending.
    const auto all = delivered();
    ASSERT_EQ(all.size(), static_cast<size_t>(forks[0].count + 20 + 20));
    EXPECT_EQ(all.front().first, id + ":owner");
    EXPECT_EQ(all[static_cast<size_t>(forks[0].count)].first, id);
    EXPECT_EQ(all.back().first, id + ":easy");
    EXPECT_EQ(numbersOf(id + ":owner"), range(1, forks[0].count));
    EXPECT_EQ(numbersOf(id), range(forks[1].count - 19, forks[1].count));
    EXPECT_EQ(numbersOf(id + ":easy"), range(forks[2].count - 19, forks[2].count));

    // One record against the comment the service made.
    const ChatItem& last = context->chats.GetTail();
    const nicosim::ModernComment expected = nicosim::modernComment(sim->catalogue(), forks[2], forks[2].count - 1);
    EXPECT_EQ(last.vpos, expected.vposMs / 10);
    EXPECT_EQ(last.date, expected.postedAt);
    EXPECT_EQ(narrow(textOf(last.userId)), expected.userId);
    EXPECT_EQ(last.premium, expected.premium ? 1 : 0);
    EXPECT_EQ(narrow(System::_htmlspecialchars_decode(qarvo::C_WString(std::u16string(textOf(last.text)))).view()),
              expected.body);
    EXPECT_EQ(context->title.std(), video->title);

    // A thread entry per fork, in the same order.
    ResultRecord record;
    const ParseResult* result = record.Build(*context);
    std::vector<std::string> threads;
    for (const ThreadInfo* info = result->threadInfo; info; info = info->next) {
        threads.push_back(narrow(textOf(info->thread)));
        if (threads.back() == id) {
            EXPECT_EQ(info->lastRes, forks[1].count);
            EXPECT_EQ(info->commentCount, forks[1].count);
        }
    }
    EXPECT_EQ(threads, (std::vector<std::string>{id + ":owner", id, id + ":easy"}));

    // The request as the browsers send it: no cookie, the key in the body.
    const auto request = sim->lastRequest(nicosim::Step::Api);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->method, "POST");
    EXPECT_EQ(request->header("Content-Type"), "text/plain;charset=UTF-8");
    EXPECT_EQ(request->header("X-Frontend-Id"), "6");
    EXPECT_EQ(request->header("Origin"), "https://www.nicovideo.jp");
    EXPECT_EQ(request->header("Cookie"), "");
    EXPECT_NE(request->body.find("\"threadKey\":\"nvkey.so10.1729.w\""), std::string::npos) << request->body;
}

TEST_F(CurrentVideo, EveryCommentAcrossPagesThatEndInsideASecond)
{
    installLoginCookieFolder();
    const int total = sim->catalogue().video("sm9")->commentCount;
    ASSERT_EQ(fetch("http://www.nicovideo.jp/watch/sm9~modern 100 ori2_all"), 0) << state();
    EXPECT_EQ(numbersOf(sim->catalogue().video("sm9")->threadId), range(1, total));
    EXPECT_EQ(context->chats.GetCount(), total);
    // The first answer, its newest page again (it mixed older comments in), then back.
    EXPECT_LE(sim->requestCount(nicosim::Step::Api), 5);

    // The newest 1500: more than one answer holds, so the walk goes back for the rest.
    ASSERT_EQ(fetch("http://www.nicovideo.jp/watch/sm9~modern 1500 ori2"), 0) << state();
    EXPECT_EQ(numbersOf(sim->catalogue().video("sm9")->threadId), range(total - 1499, total));
}

TEST_F(CurrentVideo, ErrorsOfTheInterface)
{
    installLoginCookieFolder();
    // An expired key is renewed once at the key endpoint, and nothing arrives twice.
    ASSERT_EQ(fetch("http://www.nicovideo.jp/watch/sm9~modern~expiredkey 30 ori2"), 0) << state();
    EXPECT_EQ(sim->requestCount(nicosim::Step::KeyApi), 1);
    EXPECT_NE(sim->lastRequest(nicosim::Step::KeyApi)->header("Cookie").find("user_session="), std::string::npos);
    EXPECT_EQ(numbersOf(sim->catalogue().video("sm9")->threadId), range(1971, 2000));

    // A rate limit is waited out (Retry-After 1) and the request made again.
    const int before = sim->requestCount(nicosim::Step::Api);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(fetch("http://www.nicovideo.jp/watch/sm6~modern~ratelimit 10 ori2"), 0) << state();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_EQ(sim->requestCount(nicosim::Step::Api), before + 2);
    EXPECT_EQ(context->chats.GetCount(), 10);

    // An answer that is no JSON.
    EXPECT_EQ(fetch("http://www.nicovideo.jp/watch/sm9~modern~brokenjson 10 ori2"), 1);
    EXPECT_NE(state().find("JSON"), std::string::npos) << state();

    // A login the service does not take: its key is a guest's, refused for past comments.
    nicosim::CookieFileOptions stale;
    stale.userName = "pelmoratest";
    stale.sessionValue = "user_session_expired";
    ASSERT_TRUE(nicosim::writeCookieFolder((home->path() / "stale").string(), stale));
    env.Set("PELMORA_COOKIE_DIR", (home->path() / "stale").string());
    EXPECT_EQ(fetch("http://www.nicovideo.jp/watch/sm9~modern 10 ori2_all"), 2);
    EXPECT_NE(state().find("INVALID_TOKEN"), std::string::npos) << state();

    // No login at all: the past is not asked for.
    env.Set("PELMORA_COOKIE_DIR", (home->path() / "none").string());
    const int asked = sim->requestCount(nicosim::Step::Api);
    EXPECT_EQ(fetch("http://www.nicovideo.jp/watch/sm9~modern 10 ori2_all"), 2);
    EXPECT_NE(state().find("ログイン"), std::string::npos) << state();
    EXPECT_EQ(sim->requestCount(nicosim::Step::Api), asked + 1);
    // The newest comments alone need no login.
    EXPECT_EQ(fetch("http://www.nicovideo.jp/watch/sm9~modern 10 ori2"), 0) << state();
}

TEST_F(CurrentVideo, OneByteChunksTheOlderPageFormAndTheOldPath)
{
    installLoginCookieFolder();
    const int count = sim->catalogue().video("sm6")->commentCount;
    ASSERT_EQ(fetch("http://www.nicovideo.jp/watch/sm6~modern~api.chunked1 1000 xml_ori2"), 0) << state();
    const auto chunked = delivered();
    EXPECT_EQ(chunked.size(), static_cast<size_t>(count));
    // The XML a caller keeps is written from the records.
    const std::string xml(reinterpret_cast<const char*>(context->rawXml.Get()), context->rawXml.Length());
    EXPECT_TRUE(xml.starts_with("<?xml")) << xml.substr(0, 60);
    size_t chats = 0;
    for (size_t at = xml.find("<chat "); at != std::string::npos; at = xml.find("<chat ", at + 1))
        ++chats;
    EXPECT_EQ(chats, static_cast<size_t>(count));

    ASSERT_EQ(fetch("http://www.nicovideo.jp/watch/sm6~apidata 1000 ori2"), 0) << state();
    EXPECT_EQ(delivered(), chunked);

    // A page without the data: the old path, to the XML comment server.
    const int api = sim->requestCount(nicosim::Step::Api);
    ASSERT_EQ(fetch("http://www.nicovideo.jp/watch/sm6 1000 ori2"), 0);
    EXPECT_EQ(sim->requestCount(nicosim::Step::Api), api);
    EXPECT_EQ(sim->requestCount(nicosim::Step::Msg), 1);
}

TEST_F(CurrentVideo, CertificatesAreVerified)
{
    installLoginCookieFolder();
    // Another authority than the one that signed nicosim's certificate.
    nicosim::tls::Authority other;
    std::string error;
    ASSERT_TRUE(nicosim::tls::makeAuthority({"www.nicovideo.jp"}, other, error)) << error;
    const std::string otherFile = (home->path() / "other-ca.pem").string();
    std::ofstream(otherFile) << other.caCertificate;
    env.Set("SSL_CERT_FILE", otherFile);
    EXPECT_EQ(fetch("http://www.nicovideo.jp/watch/sm9~modern 10 ori2"), 1);
    EXPECT_NE(state().find("certificate verify failed"), std::string::npos) << state();
    EXPECT_EQ(sim->requestCount(nicosim::Step::Api), 0);

    env.Set("SSL_CERT_FILE", sim->caFile());
    EXPECT_EQ(fetch("http://www.nicovideo.jp/watch/sm9~modern 10 ori2"), 0) << state();
}

TEST_F(CurrentVideo, PagesShareOneConnectionUntilTheServerClosesIt)
{
    const auto video = sim->catalogue().video("sm9");
    nvcomment::WatchData data;
    data.server = "https://public.nvcomment.nicovideo.jp";
    data.threadKey = "nvkey.sm9.1729.w";
    data.targets.push_back({video->threadId, "main", "{\"id\":\"" + video->threadId + "\",\"fork\":\"main\"}"});
    CommentApi api(StopSignal(), data, qarvo::C_String(), "sm9");
    nvcomment::ThreadsAnswer answer;
    for (const int64_t when : {2000000000LL, 1500000000LL, 1400000000LL})
        ASSERT_EQ(api.RequestThreads({0}, when, answer), 0) << api.StateText().std();
    EXPECT_EQ(api.ConnectionsOpened(), 1);
    // nicosim closes an idle connection after two seconds; the next page opens another.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    ASSERT_EQ(api.RequestThreads({0}, std::nullopt, answer), 0) << api.StateText().std();
    EXPECT_EQ(api.ConnectionsOpened(), 2);
    EXPECT_EQ(sim->requestCount(nicosim::Step::Api), 4);
}

TEST(LoginCookie, OnlyANonEmptySessionCounts)
{
    EXPECT_TRUE(hasLoginCookie(qarvo::C_String("nicosid=1; user_session=abc")));
    EXPECT_TRUE(hasLoginCookie(qarvo::C_String("user_session=abc;")));
    EXPECT_FALSE(hasLoginCookie(qarvo::C_String("user_session=; nicosid=1")));
    EXPECT_FALSE(hasLoginCookie(qarvo::C_String("user_session_secure=abc")));
    EXPECT_FALSE(hasLoginCookie(qarvo::C_String("")));
}

}  // namespace
}  // namespace pelmora::engine
