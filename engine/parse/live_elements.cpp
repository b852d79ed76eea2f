#include "engine/parse/live_elements.h"

#include <climits>

namespace pelmora::engine {
namespace {

constexpr std::string_view kChatOpen = "<chat";

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Where the chat start tag's attributes begin (just after "<chat"), npos when the element
// holds no chat start tag.
size_t chatAttributes(std::string_view element)
{
    for (size_t at = element.find(kChatOpen); at != std::string_view::npos; at = element.find(kChatOpen, at + 1)) {
        const size_t after = at + kChatOpen.size();
        if (after < element.size() && (isSpace(element[after]) || element[after] == '>' || element[after] == '/'))
            return after;
    }
    return std::string_view::npos;
}

// Digits only, at most INT32_MAX; -1 otherwise.
int64_t numberOf(std::string_view value)
{
    if (value.empty())
        return -1;
    int64_t number = 0;
    for (const char c : value) {
        if (c < '0' || c > '9')
            return -1;
        number = number * 10 + (c - '0');
        if (number > INT32_MAX)
            return -1;
    }
    return number;
}

// True when the element is a chat that the reader has not delivered yet.
bool isNewChat(std::string_view element, int64_t deliveredUpTo, int64_t* number)
{
    if (chatAttributes(element) == std::string_view::npos)
        return false;
    *number = liveChatNumber(element);
    return *number < 0 || *number > deliveredUpTo;
}

}  // namespace

void LiveElementCounter::Update(std::string_view buffer)
{
    // A deleted comment is a self-closed element with no "</chat", and it is a comment all
    // the same: counting closing tags alone would wait for pushes the request never asked for.
    for (size_t nul = buffer.find('\0', m_countedUpTo); nul != std::string_view::npos;
         nul = buffer.find('\0', nul + 1)) {
        int64_t no = -1;
        if (isNewChat(buffer.substr(m_elementStart, nul - m_elementStart), m_highest, &no)) {
            ++m_chats;
            if (no > m_highest)
                m_highest = no;
        }
        m_elementStart = nul + 1;
    }
    m_countedUpTo = buffer.size();
}

int64_t liveChatNumber(std::string_view element)
{
    size_t at = chatAttributes(element);
    if (at == std::string_view::npos)
        return -1;
    // The start tag's attributes, name="value" or name='value', up to its ">" or "/>".
    while (at < element.size()) {
        while (at < element.size() && isSpace(element[at]))
            ++at;
        if (at >= element.size() || element[at] == '>' || element[at] == '/')
            return -1;
        const size_t nameStart = at;
        while (at < element.size() && !isSpace(element[at]) && element[at] != '=' && element[at] != '>' &&
               element[at] != '/')
            ++at;
        const std::string_view name = element.substr(nameStart, at - nameStart);
        while (at < element.size() && isSpace(element[at]))
            ++at;
        if (at >= element.size() || element[at] != '=')
            continue;  // an attribute without a value
        ++at;
        while (at < element.size() && isSpace(element[at]))
            ++at;
        if (at >= element.size())
            return -1;
        std::string_view value;
        if (element[at] == '"' || element[at] == '\'') {
            const size_t close = element.find(element[at], at + 1);
            if (close == std::string_view::npos)
                return -1;
            value = element.substr(at + 1, close - at - 1);
            at = close + 1;
        } else {
            const size_t valueStart = at;
            while (at < element.size() && !isSpace(element[at]) && element[at] != '>')
                ++at;
            value = element.substr(valueStart, at - valueStart);
        }
        if (name == "no")
            return numberOf(value);
    }
    return -1;
}

std::string takeCompleteElements(std::string& received, ParseContext& context)
{
    const size_t lastNul = received.rfind('\0');
    if (lastNul == std::string::npos) {
        context.liveTail = std::move(received);
        return std::string();
    }
    std::string text;
    text.reserve(lastNul + 1);
    size_t start = 0;
    while (start <= lastNul) {
        const size_t end = received.find('\0', start);
        const std::string_view element(received.data() + start, end - start);
        start = end + 1;
        int64_t no = -1;
        if (chatAttributes(element) != std::string_view::npos && !isNewChat(element, context.liveLastNo, &no))
            continue;
        if (no > context.liveLastNo)
            context.liveLastNo = no;
        text.append(element).append(" ");
    }
    // The unfinished element stays where it is: a copy of one near the size cap would double
    // the reader's memory for a moment.
    received.erase(0, lastNul + 1);
    context.liveTail = std::move(received);
    return text;
}

}  // namespace pelmora::engine
