// The catalogue of misbehaving servers at the engine's fetch layer, where redirects are
// followed and failed attempts repeated: each row is a scripted server and the exact outcome
// of one fetch (its result, the answer, the first answer's status, how many requests the server
// saw), after which no thread or socket of it is left.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "engine/service/http_fetch.h"
#include "qarvo/net/connect_to.h"
#include "tests/qarvo/support/clean_end.h"
#include "tests/qarvo/support/script_server.h"

namespace pelmora::engine {
namespace {

using qarvo::test::ScriptConnection;
using qarvo::test::ScriptServer;

struct Row {
    const char* name;
    std::function<void(ScriptConnection&)> serve;
    bool fetched;
    std::string body;
    const char* status;
    size_t requests;
};

std::function<void(ScriptConnection&)> answers(std::function<std::string(const std::string& request)> answer)
{
    return [answer](ScriptConnection& c) {
        const std::string request = c.ReadRequest();
        if (!request.empty())
            c.Send(answer(request));
    };
}

std::string redirect(const std::string& location)
{
    return "HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 0\r\n\r\n";
}

std::string page(const std::string& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

const Row kRows[] = {
    {"RedirectLoop", answers([](const std::string&) { return redirect("/loop"); }), false, "", "302", kMaxRedirects + 1},
    // Taken as a path, "ftp://..." once fetched some other page of the same host.
    {"RedirectToAnotherScheme",
     answers([](const std::string& r) { return r.starts_with("GET /start") ? redirect("ftp://files.example/x") : page("wrong"); }),
     false, "", "302", 1},
    {"RedirectToAnAddressWithASpace",
     answers([](const std::string& r) { return r.starts_with("GET /start") ? redirect("/a b") : page("wrong"); }), false,
     "", "302", 1},
    {"RedirectToARelativePath",
     answers([](const std::string& r) { return r.starts_with("GET /start") ? redirect("next") : page("landed"); }), true,
     "landed", "302", 2},
    {"CloseBeforeAnyByteOnEveryAttempt", [](ScriptConnection& c) { c.ReadRequest(); }, false, "", "", kFetchAttempts},
};

class MisbehavingFetchServer : public ::testing::TestWithParam<Row> {};

TEST_P(MisbehavingFetchServer, EndsAsCatalogued)
{
    const Row& row = GetParam();
    const size_t socketsBefore = qarvo::test::openDescriptors();
    const size_t threadsBefore = qarvo::test::runningThreads();
    {
        ScriptServer server(row.serve);
        setenv(qarvo::net::kConnectToVariable, ("service.invalid:80:127.0.0.1:" + std::to_string(server.Port())).c_str(), 1);
        qarvo::net::reloadConnectTo();
        qarvo::C_String cookie("user_session=x;");
        qarvo::C_Memory body;
        qarvo::C_String status;
        const bool fetched = fetchWithCookies(StopSignal(), qarvo::C_String("http://service.invalid/start"), kFetchGet,
                                              &cookie, false, &body, nullptr, nullptr, &status);
        unsetenv(qarvo::net::kConnectToVariable);
        qarvo::net::reloadConnectTo();
        EXPECT_EQ(fetched, row.fetched);
        if (fetched) {
            EXPECT_EQ(std::string(body.GetChars()), row.body);
        }
        EXPECT_EQ(std::string(status.c_str()), row.status);
        EXPECT_EQ(server.Requests().size(), row.requests);
    }
    for (int i = 0; i < 200 && qarvo::test::runningThreads() != threadsBefore; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(qarvo::test::runningThreads(), threadsBefore);
    EXPECT_EQ(qarvo::test::openDescriptors(), socketsBefore);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, MisbehavingFetchServer, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelmora::engine
