#include <gtest/gtest.h>

#include "engine/handlers/dispatch.h"
#include "engine/handlers/other_sites.h"
#include "engine/handlers/video_handler.h"
#include "engine/service/endpoints.h"

using namespace pelmora::engine;
using qarvo::C_String;

TEST(AddressDispatch, HostDecidesTheKind)
{
    EXPECT_EQ(addressHost(C_String("http://www.nicovideo.jp/watch/sm9")), C_String("www.nicovideo.jp"));
    EXPECT_EQ(addressHost(C_String("https://www.youtube.com/watch?v=x")), C_String("www.youtube.com"));
    EXPECT_EQ(addressHost(C_String("http://host.example")), C_String("host.example"));
    EXPECT_EQ(addressHost(C_String("sm9")), C_String(""));

    EXPECT_EQ(classifyAddress(C_String("http://www.nicovideo.jp/watch/sm9")), AddressKind::Service);
    EXPECT_EQ(classifyAddress(C_String("http://live.nicovideo.jp/watch/lv1")), AddressKind::Service);
    EXPECT_EQ(classifyAddress(C_String("http://www.youtube.com/watch?v=abc")), AddressKind::YouTube);
    // An https address reaches its site's handler too (counting from index 6 would not).
    EXPECT_EQ(classifyAddress(C_String("https://www.youtube.com/watch?v=abc")), AddressKind::YouTube);
    const C_String second = C_String("http://") + pelmora::endpoints::kSecondVideoSiteHost + "/v/1";
    const C_String third = C_String("http://") + pelmora::endpoints::kThirdVideoSiteHost + "/v/1";
    EXPECT_EQ(classifyAddress(second), AddressKind::SecondSite);
    EXPECT_EQ(classifyAddress(third), AddressKind::ThirdSite);
    // Equality, not containment, for the two other sites; "nico" wins over everything.
    EXPECT_EQ(classifyAddress(C_String("http://x") + pelmora::endpoints::kSecondVideoSiteHost + "/v"),
              AddressKind::Service);
    EXPECT_EQ(classifyAddress(C_String("http://nico.youtube.com/x")), AddressKind::Service);
    // Anything else, a bare id or a path in the query goes to the service's handler.
    EXPECT_EQ(classifyAddress(C_String("http://example.com/youtube/")), AddressKind::Service);
    EXPECT_EQ(classifyAddress(C_String("sm9")), AddressKind::Service);
    EXPECT_EQ(classifyAddress(C_String("")), AddressKind::Service);

    EXPECT_EQ(handlerFor(AddressKind::Service), &handleVideo);
    EXPECT_EQ(handlerFor(AddressKind::YouTube), &handleYouTube);
    EXPECT_EQ(handlerFor(AddressKind::SecondSite), &handleGetflvSite);
    EXPECT_EQ(handlerFor(AddressKind::ThirdSite), &handleEmbedSite);
}
