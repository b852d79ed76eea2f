#pragma once
// What nicosim was asked, per step, for tests that must know whether and how a request was
// made (the Cookie it carried, the body of a comment request), and the fault words set on the
// running server.

#include "tools/nicosim/faults.h"

#include <array>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nicosim {

struct RequestRecord {
    std::string method;     // "GET", "POST", or "TCP" for the live comment servers
    std::string host;       // the Host header, without a port
    std::string target;     // path and query as sent; for TCP the request element
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;

    // The first header of that name, compared without regard to case; empty when absent.
    std::string header(std::string_view name) const;
};

class RequestLog {
public:
    void record(Step step, RequestRecord request);
    int count(Step step) const;
    std::optional<RequestRecord> last(Step step) const;

    void setFaultWords(std::vector<std::string> words);
    std::vector<std::string> faultWords() const;

private:
    mutable std::mutex m_mutex;
    std::array<int, kStepCount> m_counts{};
    std::array<std::optional<RequestRecord>, kStepCount> m_last;
    std::vector<std::string> m_words;
};

} // namespace nicosim
