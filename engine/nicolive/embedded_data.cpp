#include "engine/nicolive/embedded_data.h"

#include <optional>
#include <vector>

#include "engine/nicolive/live_markers.h"
#include "engine/service/json_value.h"
#include "engine/service/nvcomment_data.h"

namespace pelmora::engine::nicolive {

using namespace pelmora::livenames;

namespace {

// A watch page's data runs to a few hundred kilobytes; far more is no page of the service.
constexpr size_t kMaxDataBytes = 16u * 1024u * 1024u;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

struct Attribute {
    std::string_view name;
    std::string_view value;  // raw, character references not decoded
};

struct Tag {
    std::string_view name;
    std::vector<Attribute> attributes;
    size_t end = 0;  // after its ">", or the end of the page when it has none
};

// Reads the tag whose "<" is at `lt`. A tag ends at the first ">" outside a quoted value.
Tag readTag(std::string_view page, size_t lt)
{
    Tag tag;
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
    return tag;
}

const Attribute* findAttribute(const Tag& tag, std::string_view name)
{
    // HTML keeps the first of two attributes with one name.
    for (const Attribute& a : tag.attributes)
        if (sameName(a.name, name))
            return &a;
    return nullptr;
}

// The decoded data-props of the embedded-data script; nullopt when the page has none. Each
// byte is read by one tag at most (the search goes on after the tag it read), so a page made
// of unterminated tags stays linear.
std::optional<std::string> embeddedJson(std::string_view page)
{
    size_t from = 0;
    for (;;) {
        const size_t lt = page.find('<', from);
        if (lt == std::string_view::npos)
            return std::nullopt;
        const size_t nameEnd = lt + 1 + std::string_view(kEmbeddedTag).size();
        if (nameEnd > page.size() || !sameName(page.substr(lt + 1, nameEnd - lt - 1), kEmbeddedTag)) {
            from = lt + 1;
            continue;
        }
        const Tag tag = readTag(page, lt);
        if (sameName(tag.name, kEmbeddedTag)) {
            const Attribute* id = findAttribute(tag, kEmbeddedIdAttribute);
            const Attribute* value = findAttribute(tag, kEmbeddedValueAttribute);
            if (id && value && nvcomment::decodeAttributeValue(id->value) == kEmbeddedId)
                return nvcomment::decodeAttributeValue(value->value);
        }
        from = tag.end > lt + 1 ? tag.end : lt + 1;
    }
}

void stringField(const json::Value& object, const char* name, std::string& out)
{
    std::string_view text;
    if (object[name].GetString(text))
        out.assign(text);
}

void timeField(const json::Value& object, const char* name, int64_t& out)
{
    object[name].GetInt(out);
}

// What goes before one more query parameter: "?" for the first one, "&" after another.
void appendSeparator(std::string& address)
{
    if (address.find('?') == std::string::npos)
        address += '?';
    else if (address.back() != '?' && address.back() != '&')
        address += '&';
}

}  // namespace

bool readEmbeddedData(std::string_view page, ProgramFacts* facts, std::string* error)
{
    *facts = ProgramFacts();
    facts->frontendId = kDefaultFrontendId;
    const std::optional<std::string> data = embeddedJson(page);
    if (!data) {
        *error = "the watch page has no embedded program data";
        return false;
    }
    json::Document document(kMaxDataBytes);
    if (!document.Parse(*data)) {
        *error = "the watch page's program data is not JSON: " + document.Error();
        return false;
    }
    const json::Value root = document.Root();
    if (!root.IsObject()) {
        *error = "the watch page's program data is not a JSON object";
        return false;
    }
    const json::Value site = root[kSite];
    stringField(site[kRelive], kWebSocketUrl, facts->webSocketUrl);
    // The page writes the id as a string; a number is taken too.
    std::string_view frontend;
    int64_t frontendNumber = 0;
    if (site[kFrontendId].GetString(frontend) && !frontend.empty())
        facts->frontendId.assign(frontend);
    else if (site[kFrontendId].GetInt(frontendNumber))
        facts->frontendId = std::to_string(frontendNumber);

    const json::Value program = root[kProgram];
    stringField(program, kProgramId, facts->programId);
    stringField(program, kTitle, facts->title);
    std::string_view status;
    if (program[kStatus].GetString(status))
        for (const char* known : kProgramStates)
            if (status == known)
                facts->status = known;
    timeField(program, kOpenTime, facts->openTime);
    timeField(program, kBeginTime, facts->beginTime);
    timeField(program, kEndTime, facts->endTime);
    timeField(program, kVposBaseTime, facts->vposBaseTime);
    error->clear();
    return true;
}

std::string socketAddress(const ProgramFacts& facts)
{
    if (facts.webSocketUrl.empty())
        return {};
    std::string address = facts.webSocketUrl;
    appendSeparator(address);
    address += kFrontendIdParameter;
    address += '=';
    address += facts.frontendId.empty() ? kDefaultFrontendId : facts.frontendId;
    return address;
}

std::string withAudienceToken(std::string_view address, std::string_view token)
{
    std::string encoded;
    for (const char c : token) {
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '_' || c == '.' || c == '~';
        if (unreserved) {
            encoded += c;
        } else {
            static constexpr char kHex[] = "0123456789ABCDEF";
            const auto byte = static_cast<unsigned char>(c);
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0xF];
        }
    }
    const std::string_view name = kAudienceTokenParameter;
    const size_t fragment = address.find('#');
    const std::string_view head = address.substr(0, fragment);
    const std::string_view tail = fragment == std::string_view::npos ? std::string_view() : address.substr(fragment);
    const size_t query = head.find('?');
    if (query != std::string_view::npos) {
        // Each parameter of the query, by its whole name.
        for (size_t at = query + 1; at <= head.size();) {
            size_t end = head.find('&', at);
            if (end == std::string_view::npos)
                end = head.size();
            const std::string_view parameter = head.substr(at, end - at);
            if (parameter.substr(0, parameter.find('=')) == name) {
                std::string out(head.substr(0, at));
                out += name;
                out += '=';
                out += encoded;
                out += head.substr(end);
                out += tail;
                return out;
            }
            at = end + 1;
        }
    }
    std::string out(head);
    appendSeparator(out);
    out += name;
    out += '=';
    out += encoded;
    out += tail;
    return out;
}

}  // namespace pelmora::engine::nicolive
