#include <gtest/gtest.h>

#include "engine/service/query_text.h"

namespace pelmora::engine {
namespace {

TEST(QueryPairs, SplitsAtAmpersandAndFirstEquals)
{
    QueryMap map;
    parseQueryPairs(map, qarvo::C_String("ms=http://a/b?x=1&flag&thread_id=12&thread_id=13&empty="));
    EXPECT_EQ(map.Get("ms").std(), "http://a/b?x=1");  // only the first "=" splits
    EXPECT_TRUE(map.Get("flag").IsEmpty());
    EXPECT_EQ(map.Get("thread_id").std(), "13");        // the later one wins
    EXPECT_TRUE(map.Get("empty").IsEmpty());
    EXPECT_TRUE(map.Get("absent").IsEmpty());
}

TEST(LastPathSegment, CutsTheQueryOnlyWhenAsked)
{
    const qarvo::C_String address("http://www.nicovideo.jp/watch/sm9?eco=1");
    EXPECT_EQ(lastPathSegment(address, true).std(), "sm9");
    EXPECT_EQ(lastPathSegment(address, false).std(), "sm9?eco=1");
    EXPECT_EQ(lastPathSegment(qarvo::C_String("sm9"), true).std(), "sm9");
    EXPECT_EQ(lastPathSegment(qarvo::C_String("http://h/dir/"), false).std(), "");
}

TEST(AddressParts, SchemeHostAndHost)
{
    EXPECT_EQ(schemeHostOf(qarvo::C_String("http://www.nicovideo.jp/watch/sm9")).std(), "http://www.nicovideo.jp");
    EXPECT_EQ(schemeHostOf(qarvo::C_String("http://www.nicovideo.jp")).std(), "http://www.nicovideo.jp");
    EXPECT_EQ(hostOf(qarvo::C_String("http://user@WWW.Example.com:8080/x?y")).std(), "www.example.com");
}

}  // namespace
}  // namespace pelmora::engine
