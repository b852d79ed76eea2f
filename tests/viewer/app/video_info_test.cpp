// The video information request against the simulated service: redirects, deleted videos and
// the closing flag.

#include <gtest/gtest.h>

#include <cstdlib>

#include "tools/nicosim/nicosim.h"
#include "viewer/core/app/video_info.h"
#include "qarvo/net/connect_to.h"

namespace {

using pelmora::viewer::FetchVideoInfo;
using pelmora::viewer::TagLists;
using qarvo::C_WString;

class VideoInfo : public ::testing::Test {
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

    size_t fetchCount(const char16_t* id)
    {
        TagLists tags;
        const bool parsed = FetchVideoInfo(C_WString(id), m_closing, tags);
        size_t count = 0;
        for (const auto& set : tags)
            count += set.texts.size();
        EXPECT_EQ(parsed || count == 0, true);
        return count;
    }

    nicosim::Server m_sim;
    std::atomic<int> m_closing{0};
};

TEST_F(VideoInfo, AskTheExternalHostForTheLastPathSegment)
{
    EXPECT_EQ(pelmora::viewer::VideoInfoAddress(C_WString(u"sm9")),
              qarvo::C_String("http://ext.nicovideo.jp/api/getthumbinfo/sm9"));
    EXPECT_EQ(pelmora::viewer::VideoInfoAddress(C_WString(u"http://www.nicovideo.jp/watch/sm9")),
              qarvo::C_String("http://ext.nicovideo.jp/api/getthumbinfo/sm9"));
    EXPECT_GT(fetchCount(u"sm9"), 8u);
    const auto request = m_sim.lastRequest(nicosim::Step::Thumb);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->target, "/api/getthumbinfo/sm9");
}

// Three addresses are tried: the first and two redirects.
TEST_F(VideoInfo, FollowsTwoRedirectsButNotThree)
{
    m_sim.setFaults("thumb.redir2");
    EXPECT_GT(fetchCount(u"sm9"), 8u);
    m_sim.setFaults("thumb.redir3");
    EXPECT_EQ(fetchCount(u"sm9"), 0u);
    m_sim.setFaults("thumb.notfound");
    EXPECT_EQ(fetchCount(u"sm9"), 0u);
}

TEST_F(VideoInfo, DeletedVideoHasNoTags)
{
    EXPECT_EQ(fetchCount(u"sm404"), 0u);
}

TEST_F(VideoInfo, ClosingStopsASlowRequest)
{
    m_sim.setFaults("thumb.delay5000");
    m_closing.store(1);
    EXPECT_EQ(fetchCount(u"sm9"), 0u);
}

}  // namespace
