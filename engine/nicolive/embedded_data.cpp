#include "engine/nicolive/embedded_data.h"

#include <optional>
#include <vector>

#include "engine/nicolive/live_markers.h"
#include "engine/service/html_tag.h"
#include "engine/service/json_value.h"
#include "engine/service/nvcomment_data.h"

namespace pelmora::engine::nicolive {

using namespace pelmora::livenames;

namespace {

// A watch page's data runs to a few hundred kilobytes; far more is no page of the service.
constexpr size_t kMaxDataBytes = 16u * 1024u * 1024u;

// The decoded data-props of the embedded-data script; nullopt when the page has none. Each
// byte is read by one tag at most (the search goes on after the tag it read), so a page made
// of unterminated tags stays linear.
std::optional<std::string> embeddedJson(std::string_view page)
{
    html::Tag tag;
    size_t from = 0;
    for (;;) {
        const size_t lt = page.find('<', from);
        if (lt == std::string_view::npos)
            return std::nullopt;
        const size_t nameEnd = lt + 1 + std::string_view(kEmbeddedTag).size();
        if (nameEnd > page.size() || !html::sameName(page.substr(lt + 1, nameEnd - lt - 1), kEmbeddedTag)) {
            from = lt + 1;
            continue;
        }
        html::readTag(page, lt, tag);
        if (html::sameName(tag.name, kEmbeddedTag)) {
            const html::Attribute* id = html::findAttribute(tag, kEmbeddedIdAttribute);
            const html::Attribute* value = html::findAttribute(tag, kEmbeddedValueAttribute);
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
