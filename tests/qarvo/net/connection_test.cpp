#include "qarvo/net/connection.h"

#include <gtest/gtest.h>

#include <deque>

#include "qarvo/http/http_type.h"
#include "qarvo/net/socket.h"

using namespace qarvo;

namespace {

// A scripted stream: each Read hands out the next piece; "" stands for "would block" once.
class MemoryStream : public net::I_ByteStream {
public:
    explicit MemoryStream(std::deque<std::string> pieces) : m_pieces(std::move(pieces)) {}
    long Read(void* data, long size) override
    {
        if (m_pieces.empty())
            return m_closeWhenEmpty ? 0 : kWouldBlock;
        std::string& p = m_pieces.front();
        if (p.empty()) {
            m_pieces.pop_front();
            return kWouldBlock;
        }
        const long n = std::min<long>(size, static_cast<long>(p.size()));
        std::memcpy(data, p.data(), static_cast<size_t>(n));
        p.erase(0, static_cast<size_t>(n));
        if (p.empty())
            m_pieces.pop_front();
        return n;
    }
    long Write(const void* data, long size) override
    {
        m_written.append(static_cast<const char*>(data), static_cast<size_t>(size));
        return size;
    }
    int WaitReadable(int) override { return 1; }
    int WaitWritable(int) override { return 1; }

    bool m_closeWhenEmpty = true;
    std::string m_written;

private:
    std::deque<std::string> m_pieces;
};

}  // namespace

TEST(StateMessages, FixedTextsByCode)
{
    Connection c;
    EXPECT_EQ(C_WString(c.General_GetStateMessage(0)), C_WString(u"正常に終了しました。"));
    EXPECT_EQ(C_WString(c.General_GetStateMessage(11)), C_WString(u"タイムアウトが発生しました。"));
    EXPECT_EQ(C_WString(c.General_GetStateMessage(20)), C_WString(u"切断されました。"));
    EXPECT_EQ(C_WString(c.General_GetStateMessage(23)), C_WString(u"SSL でエラーが発生しました。"));
    EXPECT_EQ(C_WString(c.General_GetStateMessage(24)), C_WString(u"未知のエラーです。"));
    EXPECT_EQ(C_WString(c.General_GetStateMessage(-1)), C_WString(u"未知のエラーです。"));
    I_HttpType http;
    EXPECT_EQ(C_WString(http.General_GetStateMessage(20)), C_WString(u"切断されました。途中データは取得できます。"));
    EXPECT_EQ(C_WString(http.General_GetStateMessage(29)), C_WString(u"chunk 形式で受信中に正常切断されました。"));
    EXPECT_EQ(C_WString(http.General_GetStateMessage(30)), C_WString(u"未知のエラーです。"));
    c.SetState(19);
    EXPECT_EQ(c.General_GetLastState(), C_WString(u"中断しました。"));
    EXPECT_EQ(c.General_GetLastStateCode(), 19);
    c.General_SetStateMessageA("407 Proxy Authentication Required");
    EXPECT_EQ(c.General_GetLastState(), C_WString(u"407 Proxy Authentication Required"));
}

TEST(SharedStartup, StartsOnceAndEndsWithTheLastObject)
{
    const int base = I_Connection::GetObjectCount();
    {
        WinsockSetup first(1);
        EXPECT_TRUE(I_Connection::IsSharedStartup());
        {
            WinsockSetup second(0);
            EXPECT_EQ(I_Connection::GetObjectCount(), base + 2);
        }
        EXPECT_TRUE(I_Connection::IsSharedStartup());
    }
    if (base == 0) {
        EXPECT_FALSE(I_Connection::IsSharedStartup());
    }
    EXPECT_EQ(I_Connection::GetObjectCount(), base);
}

TEST(ConnectionHelpers, RecvStopsAtTheTerminatorAcrossPieces)
{
    // The terminator is split over three reads; the piece after it must not be read.
    MemoryStream s({"HTTP/1.0 200 OK\r", "", "\n\r", "\n", "not yet"});
    char buffer[64];
    int got = 0;
    EXPECT_EQ(Connection::Recv(s, buffer, sizeof buffer, &got, "\r\n\r\n", net::Deadline::After(5000)), 0);
    EXPECT_EQ(std::string(buffer, got), "HTTP/1.0 200 OK\r\n\r\n");
}

TEST(ConnectionHelpers, RecvReportsFullBufferAndDeadline)
{
    MemoryStream full({"0123456789"});
    char buffer[4];
    int got = 0;
    EXPECT_EQ(Connection::Recv(full, buffer, sizeof buffer, &got, "\n", net::Deadline::After(5000)), 15);
    EXPECT_EQ(got, 4);
    MemoryStream quiet({});
    quiet.m_closeWhenEmpty = false;
    char big[16];
    EXPECT_EQ(Connection::Recv(quiet, big, sizeof big, &got, "\n", net::Deadline::After(30)), 11);
    EXPECT_EQ(got, 0);
}

TEST(ConnectionHelpers, RecvLineAndSendRecv)
{
    MemoryStream lines({"first\nsecond\n"});
    char buffer[32];
    int got = 0;
    EXPECT_EQ(Connection::RecvLine(lines, buffer, sizeof buffer, &got, net::Deadline::After(5000)), 0);
    EXPECT_STREQ(buffer, "first\n");
    MemoryStream chat({"<ok", "/>\r\nmore"});
    C_BinaryMemory answer;
    EXPECT_EQ(Connection::SendRecv(chat, &answer, "<thread/>", net::Deadline::After(5000), &got), 0);
    EXPECT_EQ(chat.m_written, "<thread/>");
    EXPECT_EQ(std::string(answer.GetStringA()), "<ok/>\r\nmore");

    // A peer that never ends its line stops at the cap, even with no deadline to end it.
    MemoryStream endless({std::string(3 * Connection::kMaxSendRecvAnswer, 'x')});
    EXPECT_EQ(Connection::SendRecv(endless, &answer, "<thread/>", net::Deadline::None(), &got), net::kStateBufferFull);
    EXPECT_LT(answer.Length(), Connection::kMaxSendRecvAnswer + 4096 + 1);
}
