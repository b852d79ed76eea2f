#include "tools/pelmora-cli/comment_format.h"

#include <cstdio>
#include <ctime>

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/escape/json.h"
#include "qarvo/escape/markup.h"
#include "qarvo/text/string.h"
#include "qarvo/time/time.h"

namespace pelmora::cli {

namespace System = qarvo::common::System;

std::string toUtf8(const pelmora_wchar* text)
{
    if (!text)
        return std::string();
    return System::_utf16_to_utf8(reinterpret_cast<const char16_t*>(text), -1).std();
}

std::string decodedText(const pelmora_wchar* text)
{
    if (!text)
        return std::string();
    const qarvo::C_WString wide(reinterpret_cast<const char16_t*>(text));
    return System::utf16_to_utf8(System::_htmlspecialchars_decode(wide)).std();
}

std::string formatCommentLine(const ChatEntry& chat)
{
    std::tm local{};
    if (!qarvo::C_Time(chat.date).GetLocalTime(&local))
        local = std::tm{};  // a date the system cannot represent prints as zeros
    char head[128];
    std::snprintf(head, sizeof(head), "%02d/%02d/%02d_%02d:%02d:%02d ", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    char position[64];
    std::snprintf(position, sizeof(position), " %03d:%02d %d ", chat.vpos / 100 / 60, (chat.vpos / 100) % 60, chat.no);

    std::string line(head);
    line += chat.anonymity ? "匿名" : "公開";
    line += position;
    line += chat.premium ? "プレミアム" : "一般";
    line += ' ';
    line += toUtf8(chat.userId);
    line += ' ';
    line += chat.deleted ? std::string("削除済み") : toUtf8(chat.mail);
    line += ' ';
    line += decodedText(chat.text);
    line += "\r\n";
    return line;
}

std::string jsonQuote(const std::string& utf8)
{
    return qarvo::common::System::json_quote(utf8);
}

std::string formatCommentJson(const ChatEntry& chat)
{
    char numbers[256];
    std::string out = "{";
    std::snprintf(numbers, sizeof(numbers), "\"no\":%d,\"vpos\":%d,\"date\":%lld,", chat.no, chat.vpos,
                  static_cast<long long>(chat.date));
    out += numbers;
    out += "\"mail\":" + jsonQuote(toUtf8(chat.mail)) + ",";
    std::snprintf(numbers, sizeof(numbers), "\"mail184\":%d,\"deleted\":%d,\"premium\":%d,\"anonymity\":%d,",
                  chat.mail184, chat.deleted, chat.premium, chat.anonymity);
    out += numbers;
    out += "\"user_id\":" + jsonQuote(toUtf8(chat.userId)) + ",";
    out += "\"thread\":" + jsonQuote(toUtf8(chat.thread)) + ",";
    out += "\"text\":" + jsonQuote(decodedText(chat.text));
    out += "}\n";
    return out;
}

}  // namespace pelmora::cli
