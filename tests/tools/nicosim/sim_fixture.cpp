#include "tests/tools/nicosim/sim_fixture.h"

#include "tools/nicosim/net.h"
#include "tools/nicosim/text_codec.h"

#include <httplib.h>

#include <chrono>

namespace nicosim::test {
namespace {

HttpResult fromHttplib(const httplib::Result& result)
{
    HttpResult out;
    if (!result)
        return out;
    out.ok = true;
    out.status = result->status;
    out.body = result->body;
    for (const auto& [name, value] : result->headers)
        out.headers.emplace(lowerAscii(name), value);
    return out;
}

httplib::Headers requestHeaders(const std::string& host, const std::string& cookie)
{
    httplib::Headers headers{{"Host", host}, {"User-Agent", "Mozilla/4.0 (compatible; MSIE 7.0; Windows NT)"}};
    if (!cookie.empty())
        headers.emplace("Cookie", cookie);
    return headers;
}

} // namespace

std::string HttpResult::header(const std::string& name) const
{
    const auto it = headers.find(lowerAscii(name));
    return it == headers.end() ? std::string() : it->second;
}

HttpResult httpGet(int port, const std::string& host, const std::string& target, const std::string& cookie)
{
    httplib::Client client("127.0.0.1", port);
    client.set_decompress(false);
    client.set_read_timeout(30, 0);
    return fromHttplib(client.Get(target, requestHeaders(host, cookie)));
}

HttpResult httpPost(int port, const std::string& host, const std::string& target, const std::string& body,
                    const std::string& contentType, const std::string& cookie)
{
    httplib::Client client("127.0.0.1", port);
    client.set_decompress(false);
    client.set_read_timeout(30, 0);
    return fromHttplib(client.Post(target, requestHeaders(host, cookie), body, contentType));
}

HttpResult httpsRequest(int port, const std::string& caFile, const std::string& method, const std::string& host,
                        const std::string& target, const std::string& body, const std::string& cookie)
{
    httplib::SSLClient client("127.0.0.1", port);
    client.set_ca_cert_path(caFile.c_str());
    client.enable_server_certificate_verification(true);
    client.set_decompress(false);
    client.set_read_timeout(30, 0);
    return fromHttplib(method == "POST" ? client.Post(target, requestHeaders(host, cookie), body, "text/plain;charset=UTF-8")
                                        : client.Get(target, requestHeaders(host, cookie)));
}

RawAnswer rawGet(int port, const std::string& host, const std::string& target, int timeoutMs)
{
    RawAnswer answer;
    net::Socket socket = net::connectLoopback(port, timeoutMs);
    if (!socket.valid())
        return answer;
    const std::string request = "GET " + target + " HTTP/1.1\r\nHost: " + host +
                                "\r\nAccept-Encoding: gzip,deflate\r\nConnection: close\r\n\r\n";
    if (!net::writeAll(socket, request, timeoutMs))
        return answer;
    std::string all;
    char buffer[8192];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        size_t got = 0;
        const net::Io result = net::readWithin(socket, buffer, sizeof buffer, got, 200);
        if (result == net::Io::Done) {
            all.append(buffer, got);
        } else if (result != net::Io::WouldBlock) {
            answer.closed = true;
            break;
        }
    }
    const size_t end = all.find("\r\n\r\n");
    if (end == std::string::npos) {
        answer.head = all;
        return answer;
    }
    answer.head = all.substr(0, end + 2);
    answer.body = all.substr(end + 4);
    return answer;
}

std::map<std::string, std::string> decodeThenSplit(const std::string& text)
{
    std::map<std::string, std::string> pairs;
    for (const std::string& piece : splitText(percentDecode(text), '&')) {
        const size_t equals = piece.find('=');
        if (equals == std::string::npos)
            pairs[piece] = "";
        else
            pairs[piece.substr(0, equals)] = piece.substr(equals + 1);
    }
    return pairs;
}

size_t countOf(const std::string& text, const std::string& needle)
{
    size_t count = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size()))
        ++count;
    return count;
}

Options SimTest::options() const
{
    Options o;
    o.seed = 7;
    o.livePushMs = 0; // tests post live chats themselves unless they test the clock
    return o;
}

void SimTest::SetUp()
{
    m_server = std::make_unique<Server>(options());
    ASSERT_TRUE(m_server->start()) << m_server->lastError();
    sim = m_server.get();
}

void SimTest::TearDown()
{
    if (m_server)
        m_server->stop();
    m_server.reset();
    sim = nullptr;
}

HttpResult SimTest::get(const std::string& host, const std::string& target, bool loggedIn)
{
    return httpGet(sim->httpPort(), host, target, loggedIn ? Server::loginCookie() : std::string());
}

HttpResult SimTest::post(const std::string& host, const std::string& target, const std::string& body, bool loggedIn)
{
    return httpPost(sim->httpPort(), host, target, body, "text/xml",
                    loggedIn ? Server::loginCookie() : std::string());
}

} // namespace nicosim::test
