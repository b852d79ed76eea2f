#pragma once
// One comment as a line of text: the comment file's line (in UTF-8) or a JSON object.

#include <string>

#include "engine/pelmora2.h"

namespace pelmora::cli {

// "%02d/%02d/%02d_%02d:%02d:%02d %s %03d:%02d %d %s %s %s %s\r\n": local date and time of the
// comment, 匿名/公開, playback minutes and seconds, number, プレミアム/一般, user id, the mail
// field (削除済み for a deleted comment) and the text with its markup entities decoded.
std::string formatCommentLine(const ChatEntry& chat);

// {"no":..,"vpos":..,"date":..,"mail":..,"mail184":..,"deleted":..,"premium":..,
//  "anonymity":..,"user_id":..,"thread":..,"text":..} and "\n"; the text markup-decoded.
std::string formatCommentJson(const ChatEntry& chat);
// The same line appended to `out`.
void appendCommentJson(std::string& out, const ChatEntry& chat);

// A JSON string literal (quotes included) of UTF-8 text.
std::string jsonQuote(const std::string& utf8);

// UTF-16 from the engine to UTF-8; null counts as empty.
std::string toUtf8(const pelmora_wchar* text);
// The text field: UTF-8 with the markup entities (&amp; &lt; ...) decoded.
std::string decodedText(const pelmora_wchar* text);

}  // namespace pelmora::cli
