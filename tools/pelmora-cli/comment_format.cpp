#include "tools/pelmora-cli/comment_format.h"

#include <charconv>
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

namespace {

bool holdsAmpersand(const pelmora_wchar* text)
{
    for (const pelmora_wchar* p = text; *p; ++p)
        if (*p == u'&')
            return true;
    return false;
}

void appendNumber(std::string& out, long long value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// The UTF-16 field as a JSON string literal, appended; `scratch` holds its UTF-8 form meanwhile.
void appendJsonField(std::string& out, std::string& scratch, const pelmora_wchar* text, bool decodeMarkup)
{
    scratch.clear();
    if (text) {
        if (decodeMarkup && holdsAmpersand(text))
            scratch = decodedText(text);
        else
            System::utf16_to_utf8_append(scratch, reinterpret_cast<const char16_t*>(text), -1);
    }
    System::json_quote_append(out, scratch);
}

}  // namespace

std::string decodedText(const pelmora_wchar* text)
{
    if (!text)
        return std::string();
    // Only an entity changes the text, and every entity begins with "&".
    if (!holdsAmpersand(text))
        return toUtf8(text);
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
    return System::json_quote(utf8);
}

void appendCommentJson(std::string& out, const ChatEntry& chat)
{
    thread_local std::string scratch;
    out += "{\"no\":";
    appendNumber(out, chat.no);
    out += ",\"vpos\":";
    appendNumber(out, chat.vpos);
    out += ",\"date\":";
    appendNumber(out, static_cast<long long>(chat.date));
    out += ",\"mail\":";
    appendJsonField(out, scratch, chat.mail, false);
    out += ",\"mail184\":";
    appendNumber(out, chat.mail184);
    out += ",\"deleted\":";
    appendNumber(out, chat.deleted);
    out += ",\"premium\":";
    appendNumber(out, chat.premium);
    out += ",\"anonymity\":";
    appendNumber(out, chat.anonymity);
    out += ",\"user_id\":";
    appendJsonField(out, scratch, chat.userId, false);
    out += ",\"thread\":";
    appendJsonField(out, scratch, chat.thread, false);
    out += ",\"text\":";
    appendJsonField(out, scratch, chat.text, true);
    out += "}\n";
}

std::string formatCommentJson(const ChatEntry& chat)
{
    std::string out;
    appendCommentJson(out, chat);
    return out;
}

}  // namespace pelmora::cli
