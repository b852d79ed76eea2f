// The catalogue of misbehaving servers at the HTTP layer: each row is a scripted server
// behaviour and the exact outcome of one exchange with it, in whole-body or reader-stream
// mode: the command status, the state code (or text), what was delivered, and a clean end (no
// socket or thread left, memory bounded where a server tries to make it grow).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "qarvo/http/content_decoder.h"
#include "tests/qarvo/http/http_test_support.h"
#include "tests/qarvo/http/zlib_samples.h"
#include "tests/qarvo/support/clean_end.h"

using namespace qarvo;
using namespace qarvo::test;

namespace {

enum class Mode { WholeBody, Stream };

struct Client {
    Mode mode = Mode::WholeBody;
    bool keepAlive = false;  // HTTP/1.1 with keep-alive (else HTTP/1.0, close)
    int timeOutMs = 10000;
    int bufferSize = 0;      // 0: the default
    bool head = false;
    bool checkLength = false;
};

struct Expect {
    int status;
    int stateCode = 0;                 // -1: a text of its own, see stateText
    const char* stateText = nullptr;   // a part of the state text, when given
    std::optional<std::string> body{};  // exact body, or
    int64_t bodySize = -1;             // only its size
    const char* statusCode = nullptr;  // the answer's status code, when given
    long maxGrowthMb = 64;             // peak memory growth allowed for the row
};

struct Row {
    const char* name;
    std::function<void(ScriptConnection&)> serve;
    Client client;
    Expect expect;
};

// --- scripted behaviours ---

using Serve = std::function<void(ScriptConnection&)>;

// Reads the request, then sends `bytes` and closes.
Serve sends(std::string bytes)
{
    return [bytes](ScriptConnection& c) {
        if (!c.ReadRequest().empty())
            c.Send(bytes);
    };
}

// Sends `bytes`, then keeps the connection open until the client closes it.
Serve sendsAndWaits(std::string bytes)
{
    return [bytes](ScriptConnection& c) {
        if (c.ReadRequest().empty())
            return;
        c.Send(bytes);
        c.WaitPeerClose(10000);
    };
}

// Sends the pieces with a pause between them (reads split where the server says).
Serve sendsInPieces(std::vector<std::string> pieces, int pauseMs)
{
    return [pieces, pauseMs](ScriptConnection& c) {
        if (c.ReadRequest().empty())
            return;
        for (const std::string& p : pieces) {
            if (!c.Send(p) || !c.Pause(pauseMs))
                return;
        }
    };
}

// Sends `bytes` one byte at a time.
Serve dribbles(std::string bytes, int pauseMs)
{
    std::vector<std::string> pieces;
    for (char b : bytes)
        pieces.emplace_back(1, b);
    return sendsInPieces(pieces, pauseMs);
}

// Sends `bytes`, then says nothing more for `ms` before closing.
Serve stalls(std::string bytes, int ms)
{
    return [bytes, ms](ScriptConnection& c) {
        if (c.ReadRequest().empty())
            return;
        c.Send(bytes);
        c.Pause(ms);
    };
}

std::string ok(const std::string& headers, const std::string& body)
{
    return "HTTP/1.1 200 OK\r\n" + headers + (headers.empty() ? "" : "\r\n") + "\r\n" + body;
}

std::string withLength(const std::string& body, const std::string& extra = "")
{
    return ok("Content-Length: " + std::to_string(body.size()) + (extra.empty() ? "" : "\r\n" + extra), body);
}

const std::string& bomb()
{
    // 64 MB of zeros in about 64 KB.
    static const std::string b = bombOf(64u << 20, 31);
    return b;
}

const std::string& gzipped()
{
    static const std::string g = gzipOf(sampleText(20000));
    return g;
}

// --- the clean end ---


struct Outcome {
    int status = -1;
    int stateCode = 0;
    std::string stateText;
    std::string body;  // the first MB of it
    int64_t bodySize = 0;
    std::string statusCode;
};

Outcome run(const Row& row)
{
    ScriptServer server(row.serve);
    C_HttpAsync http;
    const Client& c = row.client;
    if (c.keepAlive) {
        http.SetHTTPVersion(1);
        http.SetConnection(1);
    }
    if (c.bufferSize > 0)
        http.SetHTTPBufferSize(c.bufferSize);
    if (c.head)
        http.SetRequestMethod(I_HttpType::kHead);
    http.SetCheckLength(c.checkLength);
    http.SetReaderStream(c.mode == Mode::Stream);
    Outcome out;
    if (!http.Open(localUrl(server).c_str(), c.timeOutMs) || !http.Connect())
        return out;
    auto keep = [&out](const char* data, size_t n) {
        out.bodySize += static_cast<int64_t>(n);
        if (out.body.size() < (1u << 20))
            out.body.append(data, std::min(n, (1u << 20) - out.body.size()));
    };
    if (c.mode == Mode::Stream) {
        C_Memory piece;
        for (;;) {
            const int n = http.ReaderStream(&piece, 1 << 16, 1000);
            if (n > 0)
                keep(piece.GetChars(), static_cast<size_t>(n));
            else if (n == 0 || http.GetLastCommandStat() != I_HttpType::kRunning)
                break;
        }
        // What came before the end is still the reader's.
        for (int n; (n = http.ReaderStream(&piece, 1 << 16, 0)) > 0;)
            keep(piece.GetChars(), static_cast<size_t>(n));
    }
    out.status = http.WaitForConnecting();
    out.stateCode = http.GetLastStateCode();
    out.stateText = http.GetLastState().ToString().std();
    out.statusCode = http.GetStatusCode().std();
    if (c.mode == Mode::WholeBody)
        keep(http.GetResponseData() ? http.GetResponseData() : "", static_cast<size_t>(http.GetResponseSize()));
    return out;
}

const Row kRows[] = {
    // --- the connection and the head ---
    {"CloseBeforeAnyByte", [](ScriptConnection& c) { c.ReadRequest(); }, {}, {I_HttpType::kFailed, 14}},
    {"CloseInsideTheStatusLine", sends("HTTP/1.1 2"), {},
     // Without a header end the whole data is the body, as the client has always read it.
     {I_HttpType::kSuccess, 0, nullptr, std::string("HTTP/1.1 2")}},
    {"CloseInsideTheHead", sends("HTTP/1.1 200 OK\r\nContent-Le"), {},
     {I_HttpType::kSuccess, 0, nullptr, std::string("HTTP/1.1 200 OK\r\nContent-Le")}},
    {"HeadOf100KB", sends(withLength("body", "X-Big: " + std::string(100 * 1024, 'h'))), {},
     {I_HttpType::kSuccess, 0, nullptr, std::string("body")}},
    {"HeadOf100KBInReaderStreamMode", sends(withLength("body", "X-Big: " + std::string(100 * 1024, 'h'))),
     {Mode::Stream}, {I_HttpType::kFailed, 15}},
    {"HeadThatNeverEnds", sends("HTTP/1.1 200 OK\r\n" + std::string(2 << 20, 'h')), {},
     {I_HttpType::kFailed, 15}},
    {"NoStatusLineAtAll", sends(std::string("SSH-2.0-something\r\n")), {},
     {I_HttpType::kSuccess, 0, nullptr, std::string("SSH-2.0-something\r\n")}},
    {"InterimAnswerBeforeTheAnswer", sends("HTTP/1.1 100 Continue\r\n\r\n" + withLength("real")), {Mode::WholeBody, true},
     {I_HttpType::kSuccess, 0, nullptr, std::string("real"), -1, "200"}},
    {"TwoInterimAnswers", sends("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 102 Processing\r\n\r\n" + withLength("real")),
     {Mode::WholeBody, true}, {I_HttpType::kSuccess, 0, nullptr, std::string("real"), -1, "200"}},
    // A later line that holds " 100" does not make the head an interim answer.
    {"StatusLineWithoutASpace", sends("HTTP/1.1\r\nX-Note: 100 Continue\r\nContent-Length: 2\r\n\r\nok"), {},
     {I_HttpType::kSuccess, 0, nullptr, std::string("ok"), -1, ""}},
    {"AnswerOneByteAtATime", dribbles(withLength("0123456789"), 1), {},
     {I_HttpType::kSuccess, 0, nullptr, std::string("0123456789")}},
    {"AnswerOneByteAtATimeInReaderStreamMode", dribbles(withLength("0123456789"), 1), {Mode::Stream},
     {I_HttpType::kSuccess, 0, nullptr, std::string("0123456789")}},
    {"ServerThatNeverAnswers", stalls("", 3000), {Mode::WholeBody, false, 300}, {I_HttpType::kTimedOut, 11}},
    {"StallAfterTheHead", stalls(ok("Content-Length: 100", "0123"), 3000), {Mode::WholeBody, false, 300},
     {I_HttpType::kTimedOut, 11, nullptr, std::string("0123")}},
    {"HeadDribbledPastTheDeadline", dribbles(withLength("x"), 50), {Mode::WholeBody, false, 300},
     {I_HttpType::kTimedOut, 11}},
    // --- Content-Length ---
    {"ContentLengthLargerThanTheBody", sends(ok("Content-Length: 10", "abcd")), {},
     {I_HttpType::kDisconnected, I_HttpType::kStatePartialData, nullptr, std::string("abcd")}},
    {"ContentLengthLargerWithTheCheckOn", sends(ok("Content-Length: 10", "abcd")),
     {Mode::WholeBody, false, 10000, 0, false, true},
     {I_HttpType::kDisconnected, I_HttpType::kStateShortLength, nullptr, std::string("abcd")}},
    {"ContentLengthSmallerThanTheBody", sends(ok("Content-Length: 2", "abXYZ")), {},
     {I_HttpType::kSuccess, 0, nullptr, std::string("ab")}},
    {"ContentLengthSmallerInReaderStreamMode", sendsInPieces({ok("Content-Length: 2", "a"), "bX"}, 30), {Mode::Stream},
     {I_HttpType::kSuccess, 0, nullptr, std::string("ab")}},
    {"ExactLengthOnAKeptAliveConnection", sendsAndWaits(withLength("keep")), {Mode::WholeBody, true},
     {I_HttpType::kSuccess, 0, nullptr, std::string("keep")}},
    {"ExactLengthOnAKeptAliveConnectionInReaderStreamMode", sendsInPieces({ok("Content-Length: 4", "ke"), "ep"}, 30),
     {Mode::Stream, true}, {I_HttpType::kSuccess, 0, nullptr, std::string("keep")}},
    {"TwoContentLengthsThatDisagree", sends(ok("Content-Length: 3\r\nContent-Length: 5", "abcde")), {},
     {I_HttpType::kFailed, -1, "disagree"}},
    {"TwoContentLengthsThatAgree", sends(ok("Content-Length: 3\r\nContent-Length: 3", "abcde")), {},
     {I_HttpType::kSuccess, 0, nullptr, std::string("abc")}},
    {"ContentLengthBeyondAnyNumber", sends(ok("Content-Length: 99999999999999999999999", "all of it")), {},
     {I_HttpType::kSuccess, 0, nullptr, std::string("all of it")}},
    {"NegativeContentLength", sends(ok("Content-Length: -5", "all of it")), {},
     {I_HttpType::kSuccess, 0, nullptr, std::string("all of it")}},
    {"BodyLargerThanTheBuffer", sends(withLength(std::string(2 << 20, 'b'))), {}, {I_HttpType::kFailed, 15}},
    {"NoContentWithABody", sends("HTTP/1.1 204 No Content\r\n\r\nstray"), {},
     {I_HttpType::kSuccess, 0, nullptr, std::string()}},
    {"HeadRequestAnsweredWithALength", sendsAndWaits(ok("Content-Length: 1000", "")), {Mode::WholeBody, false, 10000, 0, true},
     {I_HttpType::kSuccess, 0, nullptr, std::string()}},
    {"RedirectIsAnAnswerOfItsOwn", sends("HTTP/1.1 302 Found\r\nLocation: /elsewhere\r\nContent-Length: 0\r\n\r\n"), {},
     {I_HttpType::kSuccess, 0, nullptr, std::string(), -1, "302"}},
    // --- chunked transfer ---
    {"SeventeenDigitChunkSize", sends(ok("Transfer-Encoding: chunked", "12345678901234567\r\nx")), {},
     {I_HttpType::kFailed, -1, "chunked body is malformed"}},
    {"ChunkSizeLineThatNeverEnds", sends(ok("Transfer-Encoding: chunked", std::string(4096, ' '))), {},
     {I_HttpType::kFailed, -1, "chunked body is malformed"}},
    {"ChunkExtensions", sends(ok("Transfer-Encoding: chunked", "5;name=value\r\nhello\r\n1;x\r\n!\r\n0\r\n\r\n")), {},
     {I_HttpType::kSuccess, 0, nullptr, std::string("hello!")}},
    {"Trailers", sendsAndWaits(ok("Transfer-Encoding: chunked", "3\r\nabc\r\n0\r\nX-Check: 1\r\nX-More: 2\r\n\r\n")),
     {Mode::WholeBody, true}, {I_HttpType::kSuccess, 0, nullptr, std::string("abc")}},
    {"LoneLineFeeds", sends(ok("Transfer-Encoding: chunked", "3\nabc\n0\n\n")), {},
     {I_HttpType::kSuccess, 0, nullptr, std::string("abc")}},
    {"ChunkDataWithoutItsLineEnd", sends(ok("Transfer-Encoding: chunked", "3\r\nabcX\r\n0\r\n\r\n")), {},
     {I_HttpType::kFailed, -1, "chunked body is malformed", std::string("abc")}},
    {"ChunkDataWithoutItsLineEndInReaderStreamMode",
     sendsInPieces({ok("Transfer-Encoding: chunked", "3\r\nab"), "cX\r\n0\r\n\r\n"}, 30), {Mode::Stream},
     {I_HttpType::kFailed, -1, "chunked body is malformed", std::string("abc")}},
    {"LastChunkNeverComes", sends(ok("Transfer-Encoding: chunked", "5\r\nhello\r\n")), {},
     {I_HttpType::kDisconnected, I_HttpType::kStateChunkUnfinished, nullptr, std::string("hello")}},
    {"ChunkedAndALengthAtOnce", sends(ok("Content-Length: 2\r\nTransfer-Encoding: chunked", "4\r\nfour\r\n0\r\n\r\n")), {},
     {I_HttpType::kSuccess, 0, nullptr, std::string("four")}},
    // --- content coding ---
    {"GzipBombInWholeBodyMode", sends(withLength(bomb(), "Content-Encoding: gzip")), {},
     {I_HttpType::kFailed, -1, "larger than the receive buffer"}},
    // Back-pressure: the reader gets every byte while the buffer between them stays small.
    {"GzipBombInReaderStreamMode", sends(withLength(bomb(), "Content-Encoding: gzip")), {Mode::Stream, false, 60000},
     {I_HttpType::kSuccess, 0, nullptr, std::nullopt, int64_t{64} << 20, nullptr, 40}},
    // A body that decodes to just under the cap: the decode holds about the decoded size, not
    // the compressed body, a growing copy and the final one at once.
    {"GzipBodyJustUnderTheCap", sends(withLength(bombOf(40u << 20, 31), "Content-Encoding: gzip")),
     {Mode::WholeBody, false, 60000, 48 << 20},
     {I_HttpType::kSuccess, 0, nullptr, std::nullopt, int64_t{40} << 20, nullptr, 56}},
    {"TruncatedGzipStream", sends(withLength(gzipped().substr(0, gzipped().size() / 2), "Content-Encoding: gzip")), {},
     {I_HttpType::kFailed, -1, "ends before the end of its stream"}},
    {"TruncatedGzipStreamInReaderStreamMode",
     sends(withLength(gzipped().substr(0, gzipped().size() / 2), "Content-Encoding: gzip")), {Mode::Stream},
     {I_HttpType::kFailed, -1, "ends before the end of its stream"}},
    {"BrokenDeflateStream", sends(withLength("\x78\x9c\xff\xff\xff\xff garbage", "Content-Encoding: deflate")), {},
     {I_HttpType::kFailed, -1, "zlib error"}},
    {"RawDeflateForDeflate", sends(withLength(rawDeflateOf("raw deflate body"), "Content-Encoding: deflate")), {},
     {I_HttpType::kSuccess, 0, nullptr, std::string("raw deflate body")}},
};

class MisbehavingServer : public ::testing::TestWithParam<Row> {};

TEST_P(MisbehavingServer, EndsAsCatalogued)
{
    const Row& row = GetParam();
    const size_t socketsBefore = qarvo::test::openDescriptors();
    const size_t threadsBefore = qarvo::test::runningThreads();
    const long rssBefore = qarvo::test::peakRssMb();

    const Outcome out = run(row);
    const Expect& e = row.expect;
    EXPECT_EQ(out.status, e.status) << out.stateText;
    if (e.stateCode >= 0) {
        EXPECT_EQ(out.stateCode, e.stateCode) << out.stateText;
    }
    if (e.stateText) {
        EXPECT_NE(out.stateText.find(e.stateText), std::string::npos) << out.stateText;
    }
    if (e.body) {
        EXPECT_EQ(out.body, *e.body);
    }
    if (e.bodySize >= 0) {
        EXPECT_EQ(out.bodySize, e.bodySize);
    }
    if (e.statusCode) {
        EXPECT_EQ(out.statusCode, e.statusCode);
    }
    if (qarvo::test::kPeaksComparable) {
        EXPECT_LE(qarvo::test::peakRssMb() - rssBefore, e.maxGrowthMb);
    }

    // The client and the server are gone: so are their sockets and threads.
    for (int i = 0; i < 200 && qarvo::test::runningThreads() != threadsBefore; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(qarvo::test::runningThreads(), threadsBefore);
    EXPECT_EQ(qarvo::test::openDescriptors(), socketsBefore);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, MisbehavingServer, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

// An address taken from a URL-decoded answer can carry CR LF; it must not reach the request
// line or the Host line.
TEST(HttpAddress, ControlBytesAndSpacesAreRefused)
{
    C_HttpAsync http;
    for (const char* url : {"http://host/a\r\nX-Injected: 1", "http://host\r\n/", "http://ho st/", "http://host/a b",
                            "http://host/\x7f", "http://host/\t"}) {
        EXPECT_EQ(http.Open(url, 1000), 0) << url;
        EXPECT_EQ(http.GetLastStateCode(), 1) << url;
    }
    EXPECT_EQ(http.Open("http://host/a%20b?c=%0D%0A", 1000), 1);
}

}  // namespace
