#include "engine/handlers/comment_xml.h"

#include "qarvo/charcode/system_charcode.h"

namespace pelmora::engine {
namespace {

namespace System = qarvo::common::System;

std::string utf8(const pelmora_wchar* text)
{
    const std::u16string_view view = textOf(text);
    return System::_utf16_to_utf8(view.data(), static_cast<int>(view.size())).std();
}

void appendEscapedValue(std::string& out, const std::string& value)
{
    for (const char c : value) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
}

void appendAttribute(std::string& out, const char* name, const std::string& value)
{
    out += ' ';
    out += name;
    out += "=\"";
    appendEscapedValue(out, value);
    out += '"';
}

void appendThread(std::string& out, const std::u16string_view thread, int32_t lastRes)
{
    out += "<thread resultcode=\"0\"";
    appendAttribute(out, "thread", System::_utf16_to_utf8(thread.data(), static_cast<int>(thread.size())).std());
    appendAttribute(out, "last_res", std::to_string(lastRes));
    out += "/>";
}

}  // namespace

std::string commentsAsXml(const ParseContext& context)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet>";
    if (context.threadEntries.empty())
        appendThread(out, context.thread.view(), context.lastRes);
    for (const ParseContext::ThreadEntry& entry : context.threadEntries)
        appendThread(out, entry.thread.view(), entry.lastRes);
    for (const ChatItem& chat : context.chats) {
        out += "<chat";
        appendAttribute(out, "thread", utf8(chat.thread));
        appendAttribute(out, "no", std::to_string(chat.no));
        appendAttribute(out, "vpos", std::to_string(chat.vpos));
        appendAttribute(out, "date", std::to_string(chat.date));
        const std::string mail = utf8(chat.mail);
        if (!mail.empty())
            appendAttribute(out, "mail", mail);
        appendAttribute(out, "user_id", utf8(chat.userId));
        if (chat.premium)
            appendAttribute(out, "premium", std::to_string(chat.premium));
        if (chat.anonymity)
            appendAttribute(out, "anonymity", std::to_string(chat.anonymity));
        out += '>';
        out += utf8(chat.text);
        out += "</chat>";
    }
    out += "</packet>";
    return out;
}

}  // namespace pelmora::engine
