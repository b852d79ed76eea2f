// The thumbnail loader of the viewing history against the simulated service: the order of
// its downloads around the page the user looks at, the eviction of far bitmaps, and stopping.

#include <gtest/gtest.h>

#include <cstdlib>

#include "qarvo/net/connect_to.h"
#include "tests/viewer/app/app_harness.h"
#include "tools/nicosim/nicosim.h"
#include "viewer/core/app/history_images.h"

namespace apptest {
namespace {

using pelmora::viewer::C_HistoryImageLoader;

class HistoryImages : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_sim.start()) << m_sim.lastError();
        setenv("PELMORA_CONNECT_TO", m_sim.connectTo().c_str(), 1);
        qarvo::net::reloadConnectTo();
    }
    void TearDown() override
    {
        unsetenv("PELMORA_CONNECT_TO");
        qarvo::net::reloadConnectTo();
        m_sim.stop();
    }

    // Ten thumbnails; entry 5 is a page, not a picture.
    static std::vector<C_String> addresses()
    {
        std::vector<C_String> out;
        for (int i = 0; i < 10; ++i)
            out.push_back(i == 5 ? C_String("http://forum.nicovideo.jp/delete/comment/")
                                 : C_String::Stringf("http://tn.smilevideo.jp/smile?i=%d", 100 + i));
        return out;
    }

    nicosim::Server m_sim;
};

TEST_F(HistoryImages, CurrentPageFirstThenNeighboursEvictionAndStop)
{
    C_HistoryImageLoader loader;
    loader.Start(addresses(), 0, 0);
    // Page 0 is what the user sees, then page 1 (there is no page before 0).
    ASSERT_TRUE(WaitUntil([&] { return loader.LoadOrder().size() == 4; }));
    ASSERT_TRUE(WaitUntil([&] { return loader.State(3) != C_HistoryImageLoader::NotTried; }));
    EXPECT_EQ(loader.LoadOrder(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(loader.Bitmap(0).GetWidth(), 130);

    // On page 3: its own entries, then page 2, then page 4; pages 0 and 1 are dropped once
    // more than six bitmaps are held, and loaded again when the user comes back.
    loader.SetCurrentPage(3);
    ASSERT_TRUE(WaitUntil([&] { return loader.LoadOrder().size() == 10; }));
    ASSERT_TRUE(WaitUntil([&] { return loader.State(9) != C_HistoryImageLoader::NotTried; }));
    const std::vector<int> order = loader.LoadOrder();
    EXPECT_EQ(std::vector<int>(order.begin() + 4, order.end()), (std::vector<int>{6, 7, 4, 5, 8, 9}));
    EXPECT_EQ(loader.State(5), C_HistoryImageLoader::Failed);
    EXPECT_TRUE(loader.Bitmap(5).IsNull());
    ASSERT_TRUE(WaitUntil([&] { return loader.HeldBitmaps() <= 6; }));
    EXPECT_TRUE(loader.Bitmap(0).IsNull());
    EXPECT_EQ(loader.State(0), C_HistoryImageLoader::NotTried);
    EXPECT_FALSE(loader.Bitmap(8).IsNull());
    loader.SetCurrentPage(0);
    ASSERT_TRUE(WaitUntil([&] { return loader.State(0) == C_HistoryImageLoader::Loaded; }));

    // A download that hangs is aborted by the stop.
    m_sim.setFaults("picture.delay30000");
    loader.Start({C_String("http://tn.smilevideo.jp/smile?i=1")}, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return loader.LoadOrder().size() == 1; }));
    loader.Stop();
    EXPECT_FALSE(loader.IsRunning());
    EXPECT_EQ(loader.Count(), 0);
    EXPECT_EQ(loader.HeldBitmaps(), 0);
}

}  // namespace
}  // namespace apptest
