#include "engine/cookie/cookie_text_file.h"

#include <vector>

namespace pelmora::cookie {
namespace {

// Lines split at "\n"; a "\r" before it (a file written on Windows) is no part of the line.
std::vector<std::string_view> linesOf(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

constexpr size_t kRecordLines = 9;
constexpr size_t kHostLine = 2;

}  // namespace

bool cookieFileMentions(std::string_view text, std::string_view domain)
{
    if (domain.empty())
        return false;
    const std::vector<std::string_view> lines = linesOf(text);
    for (size_t i = kHostLine; i < lines.size(); i += kRecordLines)
        if (lines[i].find(domain) != std::string_view::npos)
            return true;
    return false;
}

std::string cookieFilePairs(std::string_view text)
{
    const std::vector<std::string_view> lines = linesOf(text);
    std::string cookie;
    size_t i = 0;
    // Per record: the name, the value, then everything up to the "*" line.
    while (i < lines.size()) {
        const std::string_view name = lines[i++];
        if (i >= lines.size())
            break;
        const std::string_view value = lines[i++];
        if (!name.empty()) {
            if (!cookie.empty())
                cookie += "; ";
            cookie.append(name).append("=").append(value);
        }
        while (i < lines.size() && !lines[i].starts_with("*"))
            ++i;
        ++i;
    }
    return cookie;
}

}  // namespace pelmora::cookie
