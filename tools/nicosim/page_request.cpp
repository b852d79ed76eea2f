#include "tools/nicosim/site.h"

#include "tools/nicosim/text_codec.h"

namespace nicosim {

void appendRawPairs(std::string_view text, std::vector<std::pair<std::string, std::string>>& pairs)
{
    if (text.empty())
        return;
    for (const std::string& piece : splitText(text, '&')) {
        if (piece.empty())
            continue;
        const size_t equals = piece.find('=');
        if (equals == std::string::npos)
            pairs.emplace_back(piece, std::string());
        else
            pairs.emplace_back(piece.substr(0, equals), piece.substr(equals + 1));
    }
}

std::string PageRequest::rawParam(std::string_view name) const
{
    for (const auto& [key, value] : rawParams) {
        if (percentDecode(key, true) == name)
            return value;
    }
    return {};
}

std::string PageRequest::param(std::string_view name) const
{
    return percentDecode(rawParam(name), true);
}

bool PageRequest::hasParam(std::string_view name) const
{
    for (const auto& pair : rawParams) {
        if (percentDecode(pair.first, true) == name)
            return true;
    }
    return false;
}

} // namespace nicosim
