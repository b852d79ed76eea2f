#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "engine/handlers/debug_comments.h"
#include "engine/job/job_registry.h"

using namespace pelmora::engine;
using namespace std::chrono_literals;

namespace {

// Generous: the suite must pass on a loaded two-core machine.
constexpr auto kPatience = 30s;

struct Delivery {
    int jobId = 0;
    int code = -1;
    bool hasResult = false;
    int chats = 0;
    int firstNo = 0;
    std::string title;
    bool titleNull = true;
};

// Records every callback; the data are copied during the call, as a caller must.
class Recorder {
public:
    static void Callback(int jobId, int code, const ParseResult* result, intptr_t userValue)
    {
        reinterpret_cast<Recorder*>(userValue)->record(jobId, code, result);
    }
    intptr_t Value() { return reinterpret_cast<intptr_t>(this); }

    // Runs inside the callback, on the job thread.
    std::function<void(int jobId)> inside;

    bool WaitFor(size_t count, std::chrono::milliseconds limit = kPatience)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return m_deliveries.size() >= count; });
    }
    std::vector<Delivery> Deliveries()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_deliveries;
    }

private:
    void record(int jobId, int code, const ParseResult* result)
    {
        Delivery d;
        d.jobId = jobId;
        d.code = code;
        d.hasResult = result != nullptr;
        if (result) {
            d.titleNull = result->title == nullptr;
            if (result->title)
                d.title = result->title;
            for (const ChatEntry* e = result->chats; e; e = e->next) {
                if (d.chats++ == 0)
                    d.firstNo = e->no;
            }
        }
        if (inside)
            inside(jobId);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_deliveries.push_back(d);
        m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Delivery> m_deliveries;
};

template <class Pred>
bool eventually(Pred pred, std::chrono::milliseconds limit = kPatience)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// A one-shot gate that a callback can wait on.
class Gate {
public:
    void Open()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    void Wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, kPatience, [&] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

const char16_t* kVideo = u"http://www.nicovideo.jp/watch/sm9 100 dumy_debug";
const char16_t* kVideoSlow = u"http://www.nicovideo.jp/watch/sm9 100 dumy_debug 0 600000";
const char16_t* kLive = u"http://live.nicovideo.jp/watch/lv1 100 dumy_debug 0 0";
const char16_t* kLiveSlow = u"http://live.nicovideo.jp/watch/lv1 100 dumy_debug 0 600000";

}  // namespace

TEST(JobLifecycle, IdsCountFromOneAndNullCallbackIsRefused)
{
    Recorder rec;
    JobRegistry jobs;  // declared after the recorders: it joins its threads first
    EXPECT_EQ(jobs.Start(kVideo, rec.Value(), nullptr), -1);
    EXPECT_EQ(jobs.JobCount(), 0);
    EXPECT_EQ(jobs.Start(kVideo, rec.Value(), &Recorder::Callback), 1);
    EXPECT_EQ(jobs.Start(kVideo, rec.Value(), &Recorder::Callback), 2);
    EXPECT_EQ(jobs.Start(nullptr, rec.Value(), &Recorder::Callback), 3);
    ASSERT_TRUE(rec.WaitFor(3));
    jobs.ExitAll();
    EXPECT_EQ(jobs.JobCount(), 0);
    // Ids are not reused.
    EXPECT_EQ(jobs.Start(kVideo, rec.Value(), &Recorder::Callback), 4);
}

TEST(JobLifecycle, VideoJobDeliversOnceAndEnds)
{
    Recorder rec;
    const int g = debugCommentCounter();
    JobRegistry jobs;  // declared after the recorders: it joins its threads first
    const int id = jobs.Start(u"http://www.nicovideo.jp/watch/sm9\u3000100 dumy_debug 8", rec.Value(),
                              &Recorder::Callback);
    ASSERT_TRUE(rec.WaitFor(1));
    ASSERT_TRUE(eventually([&] { return jobs.IsRunning(id) == 0; }));
    const auto d = rec.Deliveries();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].jobId, id);
    EXPECT_EQ(d[0].code, 8);  // the code word of the generator
    EXPECT_EQ(d[0].chats, kDebugCommentCount);
    EXPECT_EQ(d[0].firstNo, 1000 + g);
    EXPECT_EQ(d[0].title, "\xE3\x82\xA2\xE3\x83\x9E\xE3\x82\xBE\xE3\x83\xB3" "2");  // アマゾン2
    EXPECT_EQ(debugCommentCounter(), g + 2);
    // The finished job stays listed until a later start reaps it.
    EXPECT_EQ(jobs.JobCount(), 1);
    jobs.Start(kVideo, rec.Value(), &Recorder::Callback);
    ASSERT_TRUE(rec.WaitFor(2));
    EXPECT_EQ(jobs.JobCount(), 1);
}

TEST(JobLifecycle, ExitParseStopsARunningJob)
{
    Recorder rec;
    JobRegistry jobs;  // declared after the recorders: it joins its threads first
    const int id = jobs.Start(kVideoSlow, rec.Value(), &Recorder::Callback);
    ASSERT_EQ(jobs.IsRunning(id), 1);
    const auto start = std::chrono::steady_clock::now();
    jobs.Exit(id);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kPatience);
    EXPECT_EQ(jobs.IsRunning(id), 0);
    EXPECT_EQ(jobs.JobCount(), 0);
    const auto d = rec.Deliveries();
    ASSERT_EQ(d.size(), 1u);  // exitParse returns after the thread, and so after its callback
    EXPECT_EQ(d[0].code, PELMORA_RESULT_STOPPED);
    EXPECT_TRUE(d[0].hasResult);
    // Unknown ids are ignored.
    jobs.Exit(999);
    jobs.ExitEntry(999);
    EXPECT_EQ(jobs.IsRunning(999), 0);
    EXPECT_EQ(jobs.Wake(999), 0);
}

TEST(JobLifecycle, IsExistParseStaysOneUntilTheStopIsNoticed)
{
    Recorder rec, slow;
    Gate entered, gate;
    rec.inside = [&](int) {
        entered.Open();
        gate.Wait();
    };
    JobRegistry jobs;  // declared after the recorders: it joins its threads first
    const int id = jobs.Start(kVideo, rec.Value(), &Recorder::Callback);
    // The job is held inside its callback: the flag is set but nobody has looked at it yet.
    entered.Wait();
    jobs.ExitEntry(id);
    EXPECT_EQ(jobs.IsRunning(id), 1);
    gate.Open();
    ASSERT_TRUE(eventually([&] { return jobs.IsRunning(id) == 0; }));
    EXPECT_EQ(jobs.JobCount(), 1);  // exitEntryParse leaves the job listed

    // A job waiting in the generator notices the flag itself and reports the stop.
    const int id2 = jobs.Start(kVideoSlow, slow.Value(), &Recorder::Callback);
    jobs.ExitEntry(id2);
    ASSERT_TRUE(slow.WaitFor(1));
    EXPECT_EQ(slow.Deliveries()[0].code, PELMORA_RESULT_STOPPED);
    ASSERT_TRUE(eventually([&] { return jobs.IsRunning(id2) == 0; }));
}

TEST(JobLifecycle, UpdateWakesOnlyALiveJobThatHasDelivered)
{
    Recorder video, slowLive, live;
    JobRegistry jobs;  // declared after the recorders: it joins its threads first
    const int videoId = jobs.Start(kVideoSlow, video.Value(), &Recorder::Callback);
    const int slowLiveId = jobs.Start(kLiveSlow, slowLive.Value(), &Recorder::Callback);
    // Still in their first fetch: nothing to wake, and nothing changes.
    EXPECT_EQ(jobs.Wake(videoId), 0);
    EXPECT_EQ(jobs.Wake(slowLiveId), 0);
    EXPECT_TRUE(video.Deliveries().empty());
    EXPECT_TRUE(slowLive.Deliveries().empty());

    const int liveId = jobs.Start(kLive, live.Value(), &Recorder::Callback);
    ASSERT_TRUE(live.WaitFor(1));
    // Waiting now: each wake-up is one more cycle with a fresh batch.
    ASSERT_TRUE(eventually([&] { return jobs.Wake(liveId) == 1; }));
    ASSERT_TRUE(live.WaitFor(2));
    ASSERT_TRUE(eventually([&] { return jobs.Wake(liveId) == 1; }));
    ASSERT_TRUE(live.WaitFor(3));
    const auto d = live.Deliveries();
    for (const Delivery& x : d) {
        EXPECT_EQ(x.code, 0);
        EXPECT_EQ(x.chats, kDebugCommentCount);  // each batch carries only its own comments
    }
    EXPECT_EQ(jobs.IsRunning(liveId), 1);

    // A stop request ends the wait without another callback.
    jobs.ExitEntry(liveId);
    ASSERT_TRUE(eventually([&] { return jobs.IsRunning(liveId) == 0; }));
    EXPECT_EQ(live.Deliveries().size(), 3u);
    EXPECT_EQ(jobs.Wake(liveId), 0);
    jobs.ExitAll();
}

TEST(JobLifecycle, ExitParseAllLeavesNoThread)
{
    Recorder rec, live;
    JobRegistry jobs;  // declared after the recorders: it joins its threads first
    std::vector<int> ids;
    for (int i = 0; i < 3; ++i)
        ids.push_back(jobs.Start(kVideoSlow, rec.Value(), &Recorder::Callback));
    ids.push_back(jobs.Start(kLive, live.Value(), &Recorder::Callback));
    ASSERT_TRUE(live.WaitFor(1));

    jobs.ExitAll();
    EXPECT_EQ(jobs.JobCount(), 0);
    for (int id : ids)
        EXPECT_EQ(jobs.IsRunning(id), 0);
    const auto d = rec.Deliveries();
    ASSERT_EQ(d.size(), 3u);
    for (const Delivery& x : d)
        EXPECT_EQ(x.code, PELMORA_RESULT_STOPPED);
    EXPECT_EQ(live.Deliveries().size(), 1u);
    // The engine takes new jobs again afterwards.
    EXPECT_GT(jobs.Start(kVideo, rec.Value(), &Recorder::Callback), 0);
    ASSERT_TRUE(rec.WaitFor(4));
}

TEST(JobLifecycle, ExitFromInsideTheCallbackDoesNotHang)
{
    // Forbidden to callers, but it must not take the caller's process down with it. The thread
    // runs on unattached after its callback, so the recorder outlives the test.
    static Recorder rec;
    JobRegistry jobs;  // declared after the recorders: it joins its threads first
    rec.inside = [&](int id) { jobs.Exit(id); };
    const int id = jobs.Start(kVideo, rec.Value(), &Recorder::Callback);
    ASSERT_TRUE(rec.WaitFor(1));
    ASSERT_TRUE(eventually([&] { return jobs.JobCount() == 0; }));
    EXPECT_EQ(jobs.IsRunning(id), 0);
}

TEST(JobLifecycle, ManyJobsAtOnce)
{
    Recorder rec;
    JobRegistry jobs;  // declared after the recorders: it joins its threads first
    constexpr int kJobs = 16;
    for (int i = 0; i < kJobs; ++i)
        ASSERT_EQ(jobs.Start(kVideo, rec.Value(), &Recorder::Callback), i + 1);
    ASSERT_TRUE(rec.WaitFor(kJobs));
    std::vector<int> seen;
    for (const Delivery& d : rec.Deliveries())
        seen.push_back(d.jobId);
    std::sort(seen.begin(), seen.end());
    for (int i = 0; i < kJobs; ++i)
        EXPECT_EQ(seen[i], i + 1);
    jobs.ExitAll();
}

class DecodeJob : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() /
                ("pelmora-decodejob-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                 "-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::u16string pathOf(const std::string& name, const std::string& content)
    {
        const auto path = m_dir / name;
        std::ofstream(path, std::ios::binary) << content;
        const std::string s = path.string();
        return std::u16string(s.begin(), s.end());  // ASCII temp path
    }

    Delivery run(const std::u16string& request)
    {
        Recorder rec;
        JobRegistry jobs;
        jobs.Start(reinterpret_cast<const pelmora_wchar*>(request.c_str()), rec.Value(), &Recorder::Callback);
        EXPECT_TRUE(rec.WaitFor(1));
        jobs.ExitAll();
        const auto d = rec.Deliveries();
        EXPECT_EQ(d.size(), 1u);
        return d.empty() ? Delivery{} : d[0];
    }

    std::filesystem::path m_dir;
};

TEST_F(DecodeJob, CodesZeroFiveAndSix)
{
    const Delivery ok =
        run(pathOf("a.xml", "<?xml version=\"1.0\"?><packet><chat no=\"4\">a</chat><chat/></packet>") + u" decode");
    EXPECT_EQ(ok.code, 0);
    ASSERT_TRUE(ok.hasResult);
    EXPECT_EQ(ok.chats, 2);
    EXPECT_EQ(ok.firstNo, 4);  // no running numbers for a file
    EXPECT_TRUE(ok.titleNull);

    const Delivery notXml = run(pathOf("b.txt", "hello") + u" decode");
    EXPECT_EQ(notXml.code, PELMORA_RESULT_NOT_USABLE);
    EXPECT_FALSE(notXml.hasResult);

    const Delivery missing = run(pathOf("c.xml", "") + u"-missing decode");
    EXPECT_EQ(missing.code, PELMORA_RESULT_FILE_UNREADABLE);
    EXPECT_FALSE(missing.hasResult);

    // "decode" must be the second word exactly.
    const Delivery notDecode = run(pathOf("d.xml", "<packet/>") + u" decoded dumy_debug");
    EXPECT_EQ(notDecode.code, 0);
    EXPECT_EQ(notDecode.chats, kDebugCommentCount);
}
