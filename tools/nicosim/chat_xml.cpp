#include "tools/nicosim/chat_xml.h"

#include "tools/nicosim/seeded.h"
#include "tools/nicosim/text_codec.h"

#include <cstdio>

namespace nicosim {
namespace {

void appendAttribute(std::string& out, std::string_view name, std::string_view value)
{
    out += ' ';
    out += name;
    out += "=\"";
    appendXmlEscaped(out, value);
    out += '"';
}

void appendAttribute(std::string& out, std::string_view name, int64_t value)
{
    out += ' ';
    out += name;
    out += "=\"";
    out += std::to_string(value);
    out += '"';
}

} // namespace

void appendThreadXml(std::string& out, const ThreadHeader& header)
{
    out += "<thread";
    appendAttribute(out, "resultcode", static_cast<int64_t>(header.result));
    appendAttribute(out, "thread", header.thread);
    if (header.result == ThreadResult::Found) {
        appendAttribute(out, "last_res", header.lastRes);
        appendAttribute(out, "ticket", header.ticket);
        appendAttribute(out, "revision", 1);
    }
    appendAttribute(out, "server_time", header.serverTime);
    out += "/>";
}

void appendViewCounterXml(std::string& out, int views, std::string_view id, int mylists)
{
    out += "<view_counter";
    appendAttribute(out, "video", views);
    appendAttribute(out, "id", id);
    appendAttribute(out, "mylist", mylists);
    out += "/>";
}

void appendChatXml(std::string& out, const Chat& chat, std::string_view thread)
{
    out += "<chat";
    appendAttribute(out, "thread", thread);
    appendAttribute(out, "no", chat.no);
    appendAttribute(out, "vpos", chat.vpos);
    appendAttribute(out, "date", chat.date);
    if (chat.dateUsec >= 0)
        appendAttribute(out, "date_usec", chat.dateUsec);
    if (chat.deleted != 0) {
        appendAttribute(out, "deleted", chat.deleted);
        if (chat.anonymity)
            appendAttribute(out, "anonymity", 1);
        out += "/>";
        return;
    }
    if (!chat.mail.empty())
        appendAttribute(out, "mail", chat.mail);
    appendAttribute(out, "user_id", chat.userId);
    if (chat.premium)
        appendAttribute(out, "premium", 1);
    if (chat.anonymity)
        appendAttribute(out, "anonymity", 1);
    out += '>';
    appendXmlEscaped(out, chat.text);
    out += "</chat>";
}

std::string threadTicket(uint32_t seed, std::string_view thread)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(seededHash(seed, hashText(thread), 11) & 0xffffffffu));
    return text;
}

} // namespace nicosim
