#pragma once
// Shared pieces of the HTTP client tests.

#include <cstdlib>
#include <string>

#include "qarvo/http/http_async.h"
#include "tests/qarvo/support/script_server.h"
#include "qarvo/net/connect_to.h"

namespace qarvo::test {

inline std::string localUrl(const ScriptServer& server, const std::string& path = "/")
{
    return "http://127.0.0.1:" + std::to_string(server.Port()) + path;
}

// Open, Connect and wait: the command status.
inline int fetch(C_HttpAsync& http, const std::string& url, int timeoutMs = 10000)
{
    if (!http.Open(url.c_str(), timeoutMs) || !http.Connect())
        return -1;
    return http.WaitForConnecting();
}

inline std::string body(const C_HttpAsync& http)
{
    return http.GetResponseSize() > 0 ? std::string(http.GetResponseData(), http.GetResponseSize()) : std::string();
}

inline std::string answer(const std::string& head, const std::string& content)
{
    return head + "\r\n\r\n" + content;
}

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name)) {
            m_had = true;
            m_old = old;
        }
        setenv(name, value.c_str(), 1);
        net::reloadConnectTo();
    }
    ~ScopedEnv()
    {
        if (m_had)
            setenv(m_name, m_old.c_str(), 1);
        else
            unsetenv(m_name);
        net::reloadConnectTo();
    }

private:
    const char* m_name;
    bool m_had = false;
    std::string m_old;
};

}  // namespace qarvo::test
