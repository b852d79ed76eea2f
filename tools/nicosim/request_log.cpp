#include "tools/nicosim/request_log.h"

#include "tools/nicosim/text_codec.h"

namespace nicosim {

std::string RequestRecord::header(std::string_view name) const
{
    const std::string wanted = lowerAscii(name);
    for (const auto& [key, value] : headers) {
        if (lowerAscii(key) == wanted)
            return value;
    }
    return {};
}

void RequestLog::record(Step step, RequestRecord request)
{
    const size_t index = static_cast<size_t>(step);
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_counts[index];
    m_last[index] = std::move(request);
}

int RequestLog::count(Step step) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_counts[static_cast<size_t>(step)];
}

std::optional<RequestRecord> RequestLog::last(Step step) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_last[static_cast<size_t>(step)];
}

void RequestLog::setFaultWords(std::vector<std::string> words)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_words = std::move(words);
}

std::vector<std::string> RequestLog::faultWords() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_words;
}

} // namespace nicosim
