#pragma once
// Shared pieces of the nicosim tests: a server per test, a plain HTTP client that names the
// service's hosts, and a raw client that shows the bytes as they came.

#include "tools/nicosim/nicosim.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace nicosim::test {

struct HttpResult {
    bool ok = false;      // an answer arrived
    int status = 0;
    std::multimap<std::string, std::string> headers; // names in lower case
    std::string body;

    std::string header(const std::string& name) const;
};

// GET or POST through cpp-httplib's client, no decompression, no redirects followed.
HttpResult httpGet(int port, const std::string& host, const std::string& target, const std::string& cookie = {});
HttpResult httpPost(int port, const std::string& host, const std::string& target, const std::string& body,
                    const std::string& contentType, const std::string& cookie = {});

// GET or POST to the HTTPS port naming `host`, its certificate checked against `caFile`.
HttpResult httpsRequest(int port, const std::string& caFile, const std::string& method, const std::string& host,
                        const std::string& target, const std::string& body = {}, const std::string& cookie = {});

// What a raw GET read before the server closed the connection.
struct RawAnswer {
    std::string head;     // status line and headers, up to the empty line
    std::string body;     // every byte after it, as sent
    bool closed = false;  // the server closed the connection (rather than the time running out)
};
RawAnswer rawGet(int port, const std::string& host, const std::string& target, int timeoutMs = 20000);

// The key=value pairs of a text the way the engine reads it: decode the whole text first,
// then split at "&" and at the first "=".
std::map<std::string, std::string> decodeThenSplit(const std::string& text);

// Counts the occurrences of `needle` in `text`.
size_t countOf(const std::string& text, const std::string& needle);

// A running server on free ports, stopped in TearDown.
class SimTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    virtual Options options() const;

    HttpResult get(const std::string& host, const std::string& target, bool loggedIn = false);
    HttpResult post(const std::string& host, const std::string& target, const std::string& body, bool loggedIn = false);

    Server* sim = nullptr;

private:
    std::unique_ptr<Server> m_server;
};

} // namespace nicosim::test
