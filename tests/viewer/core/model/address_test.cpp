#include <gtest/gtest.h>

#include "viewer/core/model/address.h"

using namespace pelmora::viewer;
using qarvo::C_WString;

TEST(Address, BareIdentifiersBecomeWatchAddresses)
{
    EXPECT_EQ(NormalizeAddress(C_WString(u"sm9")), C_WString(u"http://www.nicovideo.jp/watch/sm9"));
    EXPECT_EQ(NormalizeAddress(C_WString(u"lv1")), C_WString(u"http://live.nicovideo.jp/watch/lv1"));
    EXPECT_EQ(NormalizeAddress(C_WString(u"co12")), C_WString(u"http://live.nicovideo.jp/watch/co12"));
    EXPECT_EQ(NormalizeAddress(C_WString(u"ch3")), C_WString(u"http://live.nicovideo.jp/watch/ch3"));
    // A query and trailing words are cut.
    EXPECT_EQ(NormalizeAddress(C_WString(u"http://www.nicovideo.jp/watch/sm9?eco=1 タイトル")),
              C_WString(u"http://www.nicovideo.jp/watch/sm9"));
    EXPECT_EQ(NormalizeAddress(C_WString(u"sm9 demo title")), C_WString(u"http://www.nicovideo.jp/watch/sm9"));
    // The title of a history line is no part of the address: "cover" is not a community.
    EXPECT_EQ(NormalizeAddress(C_WString(u"sm123 Song/cover")), C_WString(u"http://www.nicovideo.jp/watch/sm123"));
    EXPECT_EQ(NormalizeAddress(C_WString(u"sm5?from=ch1")), C_WString(u"http://www.nicovideo.jp/watch/sm5"));
}

TEST(Address, ClassifyAndIdentifier)
{
    EXPECT_EQ(ClassifyAddress(C_WString(u"http://live.nicovideo.jp/watch/lv1")), 1);
    EXPECT_EQ(ClassifyAddress(C_WString(u"http://live.nicovideo.jp/something")), 1);
    EXPECT_EQ(ClassifyAddress(C_WString(u"http://www.nicovideo.jp/watch/sm9")), 0);
    EXPECT_EQ(ClassifyAddress(C_WString(u"http://jk.nicovideo.jp/watch/jk1")), 0);
    EXPECT_EQ(AddressIdentifier(C_WString(u"http://www.nicovideo.jp/watch/sm9")), C_WString(u"sm9"));
}

TEST(Address, BoxTextToAddress)
{
    EXPECT_EQ(AddressFromBoxText(C_WString(u"")), C_WString(u""));
    EXPECT_EQ(AddressFromBoxText(C_WString(u"sm9")), C_WString(u"http://www.nicovideo.jp/watch/sm9"));
    // A history entry "<id> <title>" opens the id alone.
    EXPECT_EQ(AddressFromBoxText(C_WString(u"sm9 新・豪血寺一族 -煩悩解放"))  ,
              C_WString(u"http://www.nicovideo.jp/watch/sm9"));
    EXPECT_EQ(AddressFromBoxText(C_WString(u"http://x/y z")), C_WString(u"http://x/y z"));
}
