#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine/nicolive/socket_message.h"

using namespace pelmora::engine::nicolive;

TEST(LiveSocketMessage, ReadsWhatEachTypeCarries)
{
    EXPECT_EQ(readServerMessage(R"({"type":"seat","data":{"keepIntervalSec":30}})").keepIntervalSec, 30);

    const ServerMessage server = readServerMessage(
        R"({"type":"messageServer","data":{"viewUri":"https://mpn.example/api/view/v4/X","vposBaseTime":"2024-08-05T21:03:11+09:00","hashedUserId":"a:h"}})");
    EXPECT_EQ(server.type, "messageServer");
    EXPECT_EQ(server.viewUri, "https://mpn.example/api/view/v4/X");
    EXPECT_EQ(server.vposBaseTime, 1722859391);  // date -u -d "2024-08-05T21:03:11+09:00" +%s
    EXPECT_EQ(server.hashedUserId, "a:h");

    const ServerMessage reconnect =
        readServerMessage(R"({"type":"reconnect","data":{"audienceToken":"tok","waitTimeSec":10}})");
    EXPECT_EQ(reconnect.audienceToken, "tok");
    EXPECT_EQ(reconnect.waitTimeSec, 10);

    EXPECT_EQ(readServerMessage(R"({"type":"disconnect","data":{"reason":"TAKEOVER"}})").reason, "TAKEOVER");
    EXPECT_EQ(readServerMessage(R"({"type":"error","data":{"code":"INVALID_MESSAGE"}})").reason, "INVALID_MESSAGE");
    EXPECT_EQ(readServerMessage(R"({"type":"error","data":{"message":"bad"}})").reason, "bad");
    EXPECT_EQ(readServerMessage(R"({"type":"ping"})").type, "ping");
    EXPECT_EQ(readServerMessage(R"({"type":"statistics","data":{"viewers":3}})").type, "statistics");

    EXPECT_EQ(readServerMessage("not json").type, "");
    EXPECT_EQ(readServerMessage(R"({"data":{}})").type, "");
    EXPECT_EQ(readServerMessage(R"({"type":5})").type, "");
    EXPECT_EQ(readServerMessage(R"({"type":"seat","data":"x"})").keepIntervalSec, 0);
}

TEST(LiveSocketMessage, ClientMessagesAndDisconnectTexts)
{
    EXPECT_EQ(startWatchingMessage(false), R"({"type":"startWatching","data":{"reconnect":false}})");
    EXPECT_EQ(startWatchingMessage(true), R"({"type":"startWatching","data":{"reconnect":true}})");
    EXPECT_EQ(keepSeatMessage(), R"({"type":"keepSeat"})");
    EXPECT_EQ(pongMessage(), R"({"type":"pong"})");

    EXPECT_EQ(disconnectText("END_PROGRAM"), "番組が終了しました");
    EXPECT_EQ(disconnectText("TAKEOVER"), "別の場所で視聴が開始されました");
    EXPECT_EQ(disconnectText("SOMETHING_NEW"), "SOMETHING_NEW");
    // Every reason the service names has a text of its own.
    std::set<std::string> texts;
    for (const char* reason : {"TAKEOVER", "NO_PERMISSION", "END_PROGRAM", "PING_TIMEOUT", "TOO_MANY_CONNECTIONS",
                               "TOO_MANY_WATCHINGS", "CROWDED", "MAINTENANCE_IN", "SERVICE_TEMPORARILY_UNAVAILABLE"}) {
        const std::string text = disconnectText(reason);
        EXPECT_NE(text, reason);
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), 9u);
}
