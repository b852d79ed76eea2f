#pragma once
// The comment servers' XML dialect: one thread element, an optional view_counter element and
// one chat element per comment, attributes in the order the service writes them.

#include "tools/nicosim/catalogue.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace nicosim {

// Result codes of a thread element.
enum class ThreadResult {
    Found = 0,
    NotFound = 1,   // no such thread (also a deleted video's)
    BadKey = 11,    // the thread needs a thread key and the request had none or a wrong one
};

struct ThreadHeader {
    ThreadResult result = ThreadResult::Found;
    std::string_view thread; // as the request named it
    int lastRes = 0;
    std::string ticket;
    int64_t serverTime = 0;
};

// <thread resultcode="0" thread=".." last_res=".." ticket="0x.." revision="1" server_time=".."/>
// A thread that was not found carries only resultcode, thread and server_time.
void appendThreadXml(std::string& out, const ThreadHeader& header);
// <view_counter video=".." id=".." mylist=".."/>
void appendViewCounterXml(std::string& out, int views, std::string_view id, int mylists);
// <chat thread no vpos date [date_usec] [mail] user_id [premium] [anonymity]>text</chat>, or a
// self-closed element for a deleted comment.
void appendChatXml(std::string& out, const Chat& chat, std::string_view thread);

// The ticket of a thread element: "0x" and eight hex digits.
std::string threadTicket(uint32_t seed, std::string_view thread);

} // namespace nicosim
