#include "engine/service/html_tag.h"

namespace pelmora::engine::html {
namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

void readTag(std::string_view page, size_t lt, Tag& tag)
{
    tag.attributes.clear();
    size_t i = lt + 1;
    const size_t nameStart = i;
    while (i < page.size() && !isSpace(page[i]) && page[i] != '>' && page[i] != '/' && page[i] != '<')
        ++i;
    tag.name = page.substr(nameStart, i - nameStart);
    while (i < page.size()) {
        // Between attributes.
        while (i < page.size() && (isSpace(page[i]) || page[i] == '/'))
            ++i;
        if (i >= page.size() || page[i] == '>')
            break;
        // The name.
        const size_t start = i;
        while (i < page.size() && !isSpace(page[i]) && page[i] != '=' && page[i] != '>' && page[i] != '/')
            ++i;
        Attribute attribute{page.substr(start, i - start), {}};
        while (i < page.size() && isSpace(page[i]))
            ++i;
        if (i < page.size() && page[i] == '=') {
            ++i;
            while (i < page.size() && isSpace(page[i]))
                ++i;
            // The value: quoted with either quote, or up to the next space or ">".
            if (i < page.size() && (page[i] == '"' || page[i] == '\'')) {
                const char quote = page[i++];
                const size_t close = page.find(quote, i);
                const size_t end = close == std::string_view::npos ? page.size() : close;
                attribute.value = page.substr(i, end - i);
                i = close == std::string_view::npos ? page.size() : close + 1;
            } else {
                const size_t valueStart = i;
                while (i < page.size() && !isSpace(page[i]) && page[i] != '>')
                    ++i;
                attribute.value = page.substr(valueStart, i - valueStart);
            }
        }
        if (!attribute.name.empty())
            tag.attributes.push_back(attribute);
    }
    tag.end = i < page.size() ? i + 1 : i;
}

const Attribute* findAttribute(const Tag& tag, std::string_view name)
{
    for (const Attribute& a : tag.attributes)
        if (sameName(a.name, name))
            return &a;
    return nullptr;
}

}  // namespace pelmora::engine::html
