// The message a second start sends to the running viewer.

#include <gtest/gtest.h>

#include <string>

#include "viewer/core/model/hand_over.h"

using namespace pelmora::viewer;
using qarvo::C_WString;

TEST(HandOver, LinesCutAnywhereBadAddressesAndLimits)
{
    const std::string message = HandOverMessage(C_WString(u"https://www.nicovideo.jp/watch/sm9"));
    EXPECT_EQ(message, "https://www.nicovideo.jp/watch/sm9\n");
    // Read as it arrives, cut at every point.
    for (size_t cut = 0; cut < message.size(); ++cut)
        EXPECT_EQ(ReadHandOver(std::string_view(message).substr(0, cut)).state, HandOverState::NeedMore) << cut;
    const HandOver whole = ReadHandOver(message);
    EXPECT_EQ(whole.state, HandOverState::Complete);
    EXPECT_EQ(whole.address, C_WString(u"https://www.nicovideo.jp/watch/sm9"));

    // Only come forward: no address, or one that cannot be used.
    EXPECT_EQ(ReadHandOver("\n").address, C_WString());
    EXPECT_EQ(ReadHandOver("  sm9 \n").address, C_WString(u"sm9"));
    EXPECT_EQ(ReadHandOver("sm9\tlv1\n").state, HandOverState::Complete);
    EXPECT_EQ(ReadHandOver("sm9\tlv1\n").address, C_WString());
    EXPECT_EQ(ReadHandOver(std::string(300, 'a') + "\n").address, C_WString());
    // A line break inside an address cannot end the message early.
    EXPECT_EQ(HandOverMessage(C_WString(u"sm9\nlv1")), "sm9 lv1\n");
    // Japanese text arrives as UTF-8; a byte that is no UTF-8 becomes U+FFFD.
    EXPECT_EQ(ReadHandOver("\xe5\x8b\x95\xe7\x94\xbb\n").address, C_WString(u"動画"));
    EXPECT_EQ(ReadHandOver("sm\xff\n").address, C_WString(u"sm\uFFFD"));

    EXPECT_EQ(ReadHandOver(std::string("sm9\0\n", 5)).state, HandOverState::Invalid);
    EXPECT_EQ(ReadHandOver(std::string(kMaxHandOverBytes + 1, 'a')).state, HandOverState::Invalid);
    EXPECT_EQ(ReadHandOver(std::string(kMaxHandOverBytes, 'a')).state, HandOverState::NeedMore);
}
