#include "engine/parse/live_elements.h"

#include <climits>

namespace pelmora::engine {
namespace {

constexpr std::string_view kChatOpen = "<chat";

}  // namespace

void LiveElementCounter::Update(std::string_view buffer)
{
    // A deleted comment is a self-closed element with no "</chat", and it is a comment all
    // the same: counting closing tags alone would wait for pushes the request never asked for.
    for (size_t nul = buffer.find('\0', m_countedUpTo); nul != std::string_view::npos;
         nul = buffer.find('\0', nul + 1)) {
        std::string_view element = buffer.substr(m_elementStart, nul - m_elementStart);
        const size_t first = element.find_first_not_of(" \t\r\n");
        element = first == std::string_view::npos ? std::string_view() : element.substr(first);
        if (element.starts_with(kChatOpen) && element.size() > kChatOpen.size() &&
            (element[kChatOpen.size()] == ' ' || element[kChatOpen.size()] == '>' ||
             element[kChatOpen.size()] == '/'))
            ++m_chats;
        m_elementStart = nul + 1;
    }
    m_countedUpTo = buffer.size();
}

int64_t liveChatNumber(std::string_view element)
{
    const size_t at = element.find(" no=\"");
    if (at == std::string_view::npos)
        return -1;
    int64_t value = 0;
    bool digits = false;
    for (size_t i = at + 5; i < element.size() && element[i] >= '0' && element[i] <= '9'; ++i) {
        value = value * 10 + (element[i] - '0');
        digits = true;
        if (value > INT32_MAX)
            return -1;
    }
    return digits ? value : -1;
}

std::string takeCompleteElements(std::string& received, ParseContext& context)
{
    const size_t lastNul = received.rfind('\0');
    if (lastNul == std::string::npos) {
        context.liveTail = std::move(received);
        return std::string();
    }
    context.liveTail = received.substr(lastNul + 1);
    std::string text;
    text.reserve(lastNul + 1);
    size_t start = 0;
    while (start <= lastNul) {
        const size_t end = received.find('\0', start);
        const std::string_view element(received.data() + start, end - start);
        const int64_t no = element.find(kChatOpen) != std::string_view::npos ? liveChatNumber(element) : -1;
        if (no >= 0 && no <= context.liveLastNo) {
            start = end + 1;
            continue;
        }
        if (no >= 0)
            context.liveLastNo = no;
        text.append(element).append(" ");
        start = end + 1;
    }
    return text;
}

}  // namespace pelmora::engine
