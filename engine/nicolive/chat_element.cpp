#include "engine/nicolive/chat_element.h"

#include <cstdint>
#include <cstdio>
#include <iterator>

#include "qarvo/text/unicode.h"

namespace pelmora::engine::nicolive {
namespace {

using dwango::nicolive::chat::data::Chat;
using dwango::nicolive::chat::data::NicoliveMessage;
using dwango::nicolive::chat::service::edge::ChunkedMessage;

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

enum class Place { Text, Attribute };

// Bytes that go out as they are; everything else takes the slow path below.
bool plain(unsigned char c, Place place)
{
    if (c < 0x20 || c >= 0x80)
        return false;
    if (c == '&' || c == '<' || c == '>' || c == '"')
        return false;
    return !(place == Place::Attribute && c == ' ');
}

void appendEscaped(std::string& out, std::string_view bytes, Place place)
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t size = bytes.size();
    size_t at = 0;
    while (at < size) {
        size_t run = at;
        while (run < size && plain(s[run], place))
            ++run;
        out.append(bytes.data() + at, run - at);
        if (run == size)
            break;
        at = run;
        const unsigned char c = s[at];
        if (c >= 0x80) {
            char32_t value;
            const int length = qarvo::unicode::ReadUtf8(s + at, size - at, &value);
            if (length > 0)
                out.append(bytes.data() + at, static_cast<size_t>(length));
            else
                out += kReplacementUtf8;
            at += static_cast<size_t>(length > 0 ? length : -length);
            continue;
        }
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case ' ': out += "&#32;"; break;
        case '\t':
        case '\n':
        case '\r': out += static_cast<char>(c); break;
        // A NUL ends an element of the live stream and a string of the records; the other
        // controls are no XML.
        default: out += kReplacementUtf8; break;
        }
        ++at;
    }
}

void appendNumber(std::string& out, std::string_view name, int64_t value)
{
    out += ' ';
    out += name;
    out += "=\"";
    out += std::to_string(value);
    out += '"';
}

void appendText(std::string& out, std::string_view name, std::string_view value)
{
    out += ' ';
    out += name;
    out += "=\"";
    appendEscaped(out, value, Place::Attribute);
    out += '"';
}

// The command words of the named colours, in the enum's order.
constexpr const char* kColourNames[] = {
    "white",  "red",    "pink",   "orange",  "yellow",  "green",  "cyan",  "blue",  "purple",  "black",
    "white2", "red2",   "pink2",  "orange2", "yellow2", "green2", "cyan2", "blue2", "purple2", "black2",
};

int clampColour(int32_t part)
{
    return part < 0 ? 0 : (part > 255 ? 255 : part);
}

void addWord(std::string& mail, std::string_view word)
{
    if (!mail.empty())
        mail += ' ';
    mail += word;
}

std::string mailOf(const Chat& chat, bool anonymous)
{
    std::string mail;
    if (anonymous)
        addWord(mail, "184");
    const Chat::Modifier& modifier = chat.modifier();
    if (modifier.position() == Chat::Modifier::ue)
        addWord(mail, "ue");
    else if (modifier.position() == Chat::Modifier::shita)
        addWord(mail, "shita");
    if (modifier.size() == Chat::Modifier::big)
        addWord(mail, "big");
    else if (modifier.size() == Chat::Modifier::small)
        addWord(mail, "small");
    if (modifier.color_case() == Chat::Modifier::kNamedColor) {
        // White is the default; a value past the table is a colour we do not know.
        const int colour = modifier.named_color();
        if (colour > 0 && colour < static_cast<int>(std::size(kColourNames)))
            addWord(mail, kColourNames[colour]);
    } else if (modifier.color_case() == Chat::Modifier::kFullColor) {
        const auto& full = modifier.full_color();
        char hex[8];
        std::snprintf(hex, sizeof hex, "#%02X%02X%02X", clampColour(full.r()), clampColour(full.g()),
                      clampColour(full.b()));
        addWord(mail, hex);
    }
    return mail;
}

const Chat* chatOf(const ChunkedMessage& message)
{
    if (message.payload_case() != ChunkedMessage::kMessage)
        return nullptr;
    const NicoliveMessage& m = message.message();
    switch (m.data_case()) {
    case NicoliveMessage::kChat: return &m.chat();
    case NicoliveMessage::kOverflowedChat: return &m.overflowed_chat();
    case NicoliveMessage::kForwardedChat: return &m.forwarded_chat();
    default: return nullptr;
    }
}

}  // namespace

bool appendChatElement(const ChunkedMessage& message, std::string_view thread, std::string* out)
{
    const Chat* found = chatOf(message);
    if (!found)
        return false;
    const Chat& chat = *found;
    const bool anonymous = !chat.has_raw_user_id() && chat.has_hashed_user_id();

    std::string& o = *out;
    o += "<chat";
    appendText(o, "thread", thread);
    appendNumber(o, "no", chat.no());
    appendNumber(o, "vpos", chat.vpos());
    if (message.has_meta() && message.meta().has_at()) {
        const auto& at = message.meta().at();
        // A malformed fraction must not make a time outside its second.
        const int32_t nanos = at.nanos() < 0 ? 0 : (at.nanos() > 999999999 ? 999999999 : at.nanos());
        appendNumber(o, "date", at.seconds());
        appendNumber(o, "date_usec", nanos / 1000);
    }
    const std::string mail = mailOf(chat, anonymous);
    // The mail words are ours and ASCII; their spaces separate them.
    if (!mail.empty()) {
        o += " mail=\"";
        o += mail;
        o += '"';
    }
    if (chat.has_raw_user_id())
        appendNumber(o, "user_id", chat.raw_user_id());
    else if (chat.has_hashed_user_id())
        appendText(o, "user_id", chat.hashed_user_id());
    if (chat.account_status() == Chat::Premium)
        appendNumber(o, "premium", 1);
    if (anonymous)
        appendNumber(o, "anonymity", 1);
    if (chat.has_name() && !chat.name().empty())
        appendText(o, "name", chat.name());
    o += '>';
    appendEscaped(o, chat.content(), Place::Text);
    o += "</chat>";
    return true;
}

std::string messageId(const ChunkedMessage& message)
{
    return message.has_meta() ? message.meta().id() : std::string();
}

}  // namespace pelmora::engine::nicolive
