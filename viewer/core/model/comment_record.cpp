#include "viewer/core/model/comment_record.h"

#include "qarvo/escape/markup.h"

namespace pelmora::viewer {

namespace {

qarvo::C_WString copyWide(const pelmora_wchar* text)
{
    return text ? qarvo::C_WString(reinterpret_cast<const char16_t*>(text)) : qarvo::C_WString();
}

}  // namespace

tag_NICO_COMMENT_LIGHT MakeCommentRecord(const ChatEntry& chat)
{
    tag_NICO_COMMENT_LIGHT c;
    c.anonymity = chat.anonymity;
    c.date = chat.date;
    c.mail184 = chat.mail184;
    c.deleted = chat.deleted ? 1 : 0;
    c.no = chat.no;
    c.vpos = chat.vpos;
    c.premium = chat.premium ? 1 : 0;
    c.userId = copyWide(chat.userId);
    c.text = qarvo::common::System::_htmlspecialchars_decode(copyWide(chat.text));
    c.mail = copyWide(chat.mail);
    c.lineBreaks = c.text.Count(u"\n");
    return c;
}

}  // namespace pelmora::viewer
