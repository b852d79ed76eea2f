#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "engine/handlers/video_handler.h"
#include "engine/job/request_words.h"
#include "engine/parse/chat_item.h"
#include "engine/parse/parse_context.h"
#include "qarvo/charcode/system_charcode.h"
#include "tests/engine/sim_support/sim_env.h"

namespace pelmora::engine {
namespace {

namespace System = qarvo::common::System;
using pelmora::test::SimEnvTest;

std::u16string wide(const std::string& text)
{
    return System::utf8_to_utf16(qarvo::C_String(text)).std();
}

std::string narrow(std::u16string_view text)
{
    return System::utf16_to_utf8(qarvo::C_WString(std::u16string(text))).std();
}

class VideoHandler : public SimEnvTest {
protected:
    int fetch(const std::string& request)
    {
        words = splitRequest(qarvo::C_WString(wide(request)));
        const qarvo::C_String address = words.GetString(kAddressWord).ToString();
        context.stopFlag = &stop;
        return handleVideo(address.c_str(), words, context);
    }

    std::vector<int> numbers()
    {
        std::vector<int> result;
        for (const ChatItem& item : context.chats)
            result.push_back(item.no);
        return result;
    }

    std::atomic<int> stop{0};
    qarvo::C_WArrayString words;
    ParseContext context;
};

TEST_F(VideoHandler, NewestCommentsArriveWithTheirFieldsAndThread)
{
    installLoginCookieFolder();
    ASSERT_EQ(fetch("http://www.nicovideo.jp/watch/sm9 100 ori2"), 0);

    const auto video = sim->catalogue().video("sm9");
    const auto thread = sim->catalogue().thread(video->threadId);
    ASSERT_EQ(context.chats.GetCount(), 100);
    const std::vector<int> got = numbers();
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(got[static_cast<size_t>(i)], video->commentCount - 99 + i);

    // Every field against what the server wrote for that comment (the last one).
    const nicosim::Chat expected = sim->catalogue().chat(*thread, video->commentCount - 1);
    const ChatItem& last = context.chats.GetTail();
    EXPECT_EQ(last.vpos, expected.vpos);
    EXPECT_EQ(last.date, expected.date);
    EXPECT_EQ(last.deleted, expected.deleted);
    if (!expected.deleted) {
        EXPECT_EQ(narrow(textOf(last.userId)), expected.userId);
        EXPECT_EQ(narrow(textOf(last.mail)), expected.mail);
        EXPECT_EQ(last.premium, expected.premium ? 1 : 0);
    }
    EXPECT_EQ(narrow(context.thread.view()), video->threadId);
    EXPECT_EQ(context.lastRes, video->commentCount);
    EXPECT_EQ(context.title.std(), video->title);

    const auto request = sim->lastRequest(nicosim::Step::Msg);
    ASSERT_TRUE(request);
    EXPECT_NE(request->body.find("res_from=\"-100\""), std::string::npos) << request->body;
    EXPECT_EQ(request->body.find("<packet>"), std::string::npos);
    EXPECT_NE(request->header("Cookie").find("user_session=user_session_nicosim"), std::string::npos);
    EXPECT_EQ(request->header("Content-Type"), "");
}

TEST_F(VideoHandler, AnswersLargerThanTheClientsDefaultBufferArriveWhole)
{
    installLoginCookieFolder();
    // About 1.5 MB of comment XML.
    ASSERT_EQ(fetch("http://www.nicovideo.jp/watch/sm100000 10000 ori2"), 0);
    ASSERT_EQ(context.chats.GetCount(), 10000);
    EXPECT_EQ(context.chats.GetTail().no, 100000);
    EXPECT_EQ(context.chats.GetHead().no, 90001);
}

TEST_F(VideoHandler, CountZeroAsksForNoneAndModesFillTheirFields)
{
    installLoginCookieFolder();
    ASSERT_EQ(fetch("http://www.nicovideo.jp/watch/sm9 0 xml_cache"), 0);
    EXPECT_EQ(context.chats.GetCount(), 0);
    EXPECT_NE(sim->lastRequest(nicosim::Step::Msg)->body.find("res_from=\"-0\""), std::string::npos);
    // The raw answer is kept as it came, and the cache key names server and thread.
    const std::string raw(reinterpret_cast<const char*>(context.rawXml.Get()), static_cast<size_t>(context.rawXml.Length()));
    EXPECT_TRUE(raw.starts_with("<?xml")) << raw.substr(0, 40);
    const auto video = sim->catalogue().video("sm9");
    EXPECT_EQ(context.cacheKey.std(), "http://msg.nicovideo.jp/10/api/ " + video->threadId);
}

TEST_F(VideoHandler, OptionalThreadIsAskedForWithTheKey)
{
    installLoginCookieFolder();
    ASSERT_EQ(fetch("http://www.nicovideo.jp/watch/so10 20 ori2"), 0);
    const auto request = sim->lastRequest(nicosim::Step::Msg);
    ASSERT_TRUE(request);
    EXPECT_TRUE(request->body.starts_with("<packet><thread click_revision=\"0\" user_id=\"1729\" res_from=\"-20\""))
        << request->body;
    EXPECT_NE(request->body.find("threadkey=\""), std::string::npos);
    // 20 of the optional thread and 20 of the main thread, which the key opened.
    EXPECT_EQ(context.chats.GetCount(), 40);
}

TEST_F(VideoHandler, MissingThreadKeySendsThePlainRequest)
{
    installLoginCookieFolder();
    // The key request answers 404; the main thread is then asked for alone.
    fetch("http://www.nicovideo.jp/watch/so10~key.notfound 20 ori2");
    EXPECT_EQ(sim->requestCount(nicosim::Step::Key), 1);
    const auto request = sim->lastRequest(nicosim::Step::Msg);
    ASSERT_TRUE(request);
    EXPECT_TRUE(request->body.starts_with("<thread res_from=\"-20\" version=\"20061206\" thread=\"")) << request->body;
}

TEST_F(VideoHandler, FailureCodes)
{
    // Without the login the video information names no comment server.
    EXPECT_EQ(fetch("http://www.nicovideo.jp/watch/sm9 10 ori2"), 2);
    EXPECT_EQ(sim->requestCount(nicosim::Step::Msg), 0);
    EXPECT_TRUE(sim->lastRequest(nicosim::Step::Watch)->header("Cookie").find("user_session") == std::string::npos);

    installLoginCookieFolder();
    EXPECT_EQ(fetch("http://www.nicovideo.jp/watch/sm4 10 ori2"), 4);
    EXPECT_EQ(sim->requestCount(nicosim::Step::Flv), 1);  // only the first fetch got that far
    EXPECT_EQ(fetch("http://www.nicovideo.jp/watch/sm5 10 ori2"), 5);
    EXPECT_EQ(fetch("http://www.nicovideo.jp/watch/sm404 10 ori2"), 8);
    EXPECT_EQ(fetch("http://www.nicovideo.jp/watch/sm6 10 ori2"), 0);
    EXPECT_EQ(context.title.std(), sim->catalogue().video("sm6")->heading);
}

TEST_F(VideoHandler, StopDuringASlowAnswerEndsTheJobQuickly)
{
    installLoginCookieFolder();
    std::atomic<int64_t> stoppedAt{0};
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stoppedAt = std::chrono::steady_clock::now().time_since_epoch().count();
        stop = 1;
    });
    const int code = fetch("http://www.nicovideo.jp/watch/sm9~flv.delay20000 10 ori2");
    const auto ended = std::chrono::steady_clock::now().time_since_epoch().count();
    stopper.join();
    EXPECT_EQ(code, 7);
    // About 50 ms in the ideal; generous for a loaded machine.
    EXPECT_LT(std::chrono::nanoseconds(ended - stoppedAt.load()), std::chrono::milliseconds(1000));
}

TEST_F(VideoHandler, RedirectsAreFollowedButNotForever)
{
    installLoginCookieFolder();
    EXPECT_EQ(fetch("http://www.nicovideo.jp/watch/sm9~redir4 5 ori2"), 0);
    EXPECT_EQ(context.chats.GetCount(), 5);
    EXPECT_EQ(fetch("http://www.nicovideo.jp/watch/sm9~redirabs2 5 ori2"), 0);
    EXPECT_EQ(fetch("http://www.nicovideo.jp/watch/sm9~redirrel3 5 ori2"), 0);
    // Eleven hops are more than any real move takes.
    EXPECT_EQ(fetch("http://www.nicovideo.jp/watch/sm9~redir11 5 ori2"), 1);
}

TEST_F(VideoHandler, GetxReportsTheVideoFileInsteadOfComments)
{
    installLoginCookieFolder();
    ASSERT_EQ(fetch("http://www.nicovideo.jp/watch/sm9 10 getx"), 0);
    const auto video = sim->catalogue().video("sm9");
    EXPECT_EQ(context.chats.GetCount(), 0);
    EXPECT_EQ(sim->requestCount(nicosim::Step::Msg), 0);
    EXPECT_EQ(context.videoUrl.std(), video->videoUrl);
    EXPECT_TRUE(context.userInfo.std().ends_with(" 1729")) << context.userInfo.std();
    EXPECT_EQ(narrow(context.extension.view()), "." + video->movieType);
    EXPECT_EQ(context.finalUrl.std(), "http://www.nicovideo.jp/watch/sm9");
    EXPECT_NE(context.cookie.std().find("user_session=user_session_nicosim"), std::string::npos);
    // The watch page's own cookie was merged in.
    EXPECT_NE(context.cookie.std().find("nicohistory="), std::string::npos);
}

TEST_F(VideoHandler, Getx2GoesThroughTheExternalPlayer)
{
    ASSERT_EQ(fetch("http://www.nicovideo.jp/watch/sm9 10 getx2"), 0);
    EXPECT_EQ(context.title.std(), "dumy");
    EXPECT_EQ(context.videoUrl.std(), sim->catalogue().video("sm9")->videoUrl);
    EXPECT_EQ(sim->requestCount(nicosim::Step::Player), 2);
    EXPECT_EQ(sim->requestCount(nicosim::Step::Watch), 0);
    const auto second = sim->lastRequest(nicosim::Step::Player);
    EXPECT_EQ(second->header("x-flash-version"), "10,1,54,64");
    EXPECT_NE(second->body.find("k="), std::string::npos);
    EXPECT_FALSE(context.cookie.IsEmpty());
}

TEST_F(VideoHandler, DirectModeAsksTheNamedServer)
{
    const auto video = sim->catalogue().video("sm9");
    ASSERT_EQ(fetch("http://www.nicovideo.jp/watch/sm9 7 ori2 http://msg.nicovideo.jp/10/api/ " + video->threadId), 0);
    EXPECT_EQ(context.chats.GetCount(), 7);
    EXPECT_EQ(sim->requestCount(nicosim::Step::Watch), 0);
}

}  // namespace
}  // namespace pelmora::engine
