#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/engine/sim_support/sim_env.h"

namespace {

// pelmora-cli run through the shell against an in-process simulated service; the child takes
// PELMORA_CONNECT_TO and the cookie folder from the environment the fixture set.
class CliFetch : public pelmora::test::SimEnvTest {
protected:
    nicosim::Options simOptions() const override
    {
        nicosim::Options options;
        options.livePushMs = 100;  // ten chats a second for --follow
        return options;
    }

    int run(const std::string& args)
    {
        const std::string outPath = (home->path() / "stdout").string();
        const std::string errPath = (home->path() / "stderr").string();
        const std::string command = "cd '" + home->path().string() + "' && TZ=UTC '" PELMORA_CLI_PATH
                                    "' --library '" PELMORA2_PATH "' " + args + " > '" + outPath + "' 2> '" +
                                    errPath + "'";
        const int status = std::system(command.c_str());
        out = slurp(outPath);
        err = slurp(errPath);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static std::string slurp(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    // The "no" of every JSON line.
    std::vector<int> numbers() const
    {
        std::vector<int> result;
        std::istringstream lines(out);
        std::string line;
        while (std::getline(lines, line)) {
            const size_t at = line.find("\"no\":");
            if (at != std::string::npos)
                result.push_back(std::stoi(line.substr(at + 5)));
        }
        return result;
    }

    std::string out;
    std::string err;
};

TEST_F(CliFetch, VideoCommentsArePrinted)
{
    installLoginCookieFolder();
    ASSERT_EQ(run("--format jsonl fetch http://www.nicovideo.jp/watch/sm9 -n 25"), 0) << err;
    const auto video = sim->catalogue().video("sm9");
    std::vector<int> expected;
    for (int n = video->commentCount - 24; n <= video->commentCount; ++n)
        expected.push_back(n);
    EXPECT_EQ(numbers(), expected);

    // The text form carries the same comment: its user id is on its line.
    const auto thread = sim->catalogue().thread(video->threadId);
    const nicosim::Chat last = sim->catalogue().chat(*thread, video->commentCount - 1);
    ASSERT_EQ(run("fetch http://www.nicovideo.jp/watch/sm9 -n 1"), 0) << err;
    if (!last.deleted) {
        EXPECT_NE(out.find(" " + last.userId + " "), std::string::npos) << out;
    }
    EXPECT_TRUE(out.ends_with("\r\n"));
}

TEST_F(CliFetch, WithoutTheLoginTheCodeIsTwo)
{
    EXPECT_EQ(run("fetch http://www.nicovideo.jp/watch/sm9 -n 5"), 2);
    EXPECT_EQ(out, "");
    EXPECT_NE(err.find("code 2"), std::string::npos) << err;
}

// nicosim's data folder, with every store holding the login.
class CliLogin : public CliFetch {
protected:
    nicosim::Options simOptions() const override
    {
        nicosim::Options options = CliFetch::simOptions();
        options.dataDir = (std::filesystem::temp_directory_path() / ("pelmora-cli-login-" + std::to_string(::getpid()))).string();
        return options;
    }
    void TearDown() override
    {
        const std::string data = sim ? sim->options().dataDir : std::string();
        CliFetch::TearDown();
        if (!data.empty())
            std::filesystem::remove_all(data);
    }
    std::string data() const { return sim->options().dataDir; }
};

TEST_F(CliLogin, BrowserAndFileFlagsBringTheLogin)
{
    // Without a choice (and no store in the test's home) there is no login.
    EXPECT_EQ(run("fetch http://www.nicovideo.jp/watch/sm9 -n 3"), 2);
    EXPECT_NE(err.find("login: no login cookie for www.nicovideo.jp"), std::string::npos) << err;
    ASSERT_EQ(run("--format jsonl --cookies-from-browser 'chromium:" + data() +
                  "/chromium' fetch http://www.nicovideo.jp/watch/sm9 -n 3"),
              0) << err;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3) << out;
    ASSERT_EQ(run("--cookies '" + data() + "/cookies.txt' fetch http://www.nicovideo.jp/watch/sm9 -n 3"), 0) << err;
    ASSERT_EQ(run("--cookies-from-browser 'firefox:" + data() + "/firefox' fetch http://live.nicovideo.jp/watch/lv1 -n 2"),
              0) << err;
    // A choice that cannot give the login says so and sends none.
    EXPECT_EQ(run("--cookies-from-browser brave fetch http://www.nicovideo.jp/watch/sm9 -n 3"), 2);
    EXPECT_NE(err.find("pelmora-cli: login: brave: no profile with a cookie store found"), std::string::npos) << err;
}

TEST_F(CliLogin, AssFormatWritesSubtitlesOfTheComments)
{
    ASSERT_EQ(run("--format ass --cookies '" + data() + "/cookies.txt' fetch http://www.nicovideo.jp/watch/sm9 -n 200"), 0)
        << err;
    EXPECT_EQ(out.find("[Script Info]\r\n"), 0u);
    EXPECT_NE(out.find("\r\n[Events]\r\n"), std::string::npos);
    const auto video = sim->catalogue().video("sm9");
    const auto thread = sim->catalogue().thread(video->threadId);
    int deleted = 0;
    for (int i = video->commentCount - 200; i < video->commentCount; ++i)
        deleted += sim->catalogue().chat(*thread, i).deleted ? 1 : 0;
    size_t events = 0;
    for (size_t at = out.find("\r\nDialogue: "); at != std::string::npos; at = out.find("\r\nDialogue: ", at + 1))
        ++events;
    // Deleted comments are left out; of the rest only a few may find no lane.
    EXPECT_LE(events, static_cast<size_t>(200 - deleted));
    EXPECT_GE(events, static_cast<size_t>(200 - deleted) - 10) << err;
}

TEST_F(CliFetch, AllPrintsEveryCommentOnceAndFailuresSayWhy)
{
    installLoginCookieFolder();
    ASSERT_EQ(run("--all --format jsonl fetch http://www.nicovideo.jp/watch/sm9~modern"), 0) << err;
    const int total = sim->catalogue().video("sm9")->commentCount;
    std::vector<int> expected;
    for (int n = 1; n <= total; ++n)
        expected.push_back(n);
    EXPECT_EQ(numbers(), expected);

    // The engine's state text reaches stderr.
    EXPECT_EQ(run("fetch http://www.nicovideo.jp/watch/sm9~modern~brokenjson -n 5"), 1);
    EXPECT_NE(err.find("JSON"), std::string::npos) << err;
}

TEST_F(CliFetch, FollowPrintsEveryNewChatOnce)
{
    installLoginCookieFolder();
    ASSERT_EQ(run("--format jsonl fetch http://live.nicovideo.jp/watch/lv1 -n 3 --follow 3"), 0) << err;
    const std::vector<int> got = numbers();
    ASSERT_GE(got.size(), 6u) << out;
    // Consecutive numbers from the first batch on: none lost, none twice.
    for (size_t i = 1; i < got.size(); ++i)
        ASSERT_EQ(got[i], got[i - 1] + 1) << "at " << i << "\n" << out;
    // The first batch is the newest three of the initial 1,500 (the clock may have added some).
    EXPECT_GE(got.front(), 1500 - 2);
}

}  // namespace

namespace {

// A quiet broadcast (no push clock): a followed job waits in its cycle when the follow ends.
class CliQuietFollow : public CliFetch {
protected:
    nicosim::Options simOptions() const override
    {
        nicosim::Options options;
        options.livePushMs = 0;
        return options;
    }
};

TEST_F(CliQuietFollow, FollowThatEndsOnItsScheduleExitsZero)
{
    installLoginCookieFolder();
    // The server also drops every connection 300 ms after its answer: the follow goes on,
    // says so on stderr, and its end is still a success.
    ASSERT_EQ(run("--format jsonl fetch http://live.nicovideo.jp/watch/lv1~cut300 -n 2 --follow 3"), 0) << err;
    EXPECT_EQ(numbers().size(), 2u) << out;
    EXPECT_NE(err.find("pelmora-cli: reconnect 1 in "), std::string::npos) << "[" << err << "]";
    EXPECT_EQ(err.find("failed"), std::string::npos) << err;
}

TEST_F(CliFetch, InterruptEndsTheFollowAfterItsLastBatch)
{
    installLoginCookieFolder();
    // Ctrl+C (SIGINT) three seconds into a follow of a minute.
    const std::string outPath = (home->path() / "stdout").string();
    const std::string script = "cd '" + home->path().string() + "' && ('" PELMORA_CLI_PATH "' --library '" PELMORA2_PATH
                               "' --format jsonl fetch http://live.nicovideo.jp/watch/lv1 -n 1 --follow 60 > '" +
                               outPath + "' 2> stderr & pid=$!; sleep 3; kill -INT $pid; wait $pid)";
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(script.c_str());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << slurp((home->path() / "stderr").string());
    out = slurp(outPath);
    const std::vector<int> got = numbers();
    ASSERT_GE(got.size(), 10u) << out;
    for (size_t i = 1; i < got.size(); ++i)
        ASSERT_EQ(got[i], got[i - 1] + 1) << "at " << i;
    EXPECT_TRUE(out.ends_with("}\n")) << "the last line is whole";
}

}  // namespace
