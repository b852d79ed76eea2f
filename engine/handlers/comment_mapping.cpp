#include "engine/handlers/comment_mapping.h"

#include <climits>

#include "engine/service/nvcomment_markers.h"
#include "qarvo/charcode/system_charcode.h"

namespace pelmora::engine {
namespace {

namespace System = qarvo::common::System;

// Beyond this many distinct command texts (a hostile answer) each is stored on its own.
constexpr size_t kMaxCachedMails = 4096;

// What the comment servers escape in a body: & < > and the double quote.
void appendEscaped(std::u16string& out, std::u16string_view text)
{
    for (const char16_t c : text) {
        switch (c) {
        case u'&': out += u"&amp;"; break;
        case u'<': out += u"&lt;"; break;
        case u'>': out += u"&gt;"; break;
        case u'"': out += u"&quot;"; break;
        default: out += c;
        }
    }
}

}  // namespace

const char16_t* CommentMapping::storeUtf8(std::string_view text)
{
    if (text.empty())
        return u"";
    const qarvo::C_WString wide = System::_utf8_to_utf16(text.data(), static_cast<int>(text.size()));
    return m_pool.Store(wide.view());
}

const char16_t* CommentMapping::mailText(const std::string& mail, bool& anonymous)
{
    const auto found = m_mails.find(mail);
    if (found != m_mails.end()) {
        anonymous = found->second.anonymous;
        return found->second.text;
    }
    const qarvo::C_WString wide = System::_utf8_to_utf16(mail.data(), static_cast<int>(mail.size()));
    anonymous = wide.view().find(nvnames::kAnonymousCommand) != std::u16string_view::npos;
    const char16_t* stored = m_pool.Store(wide.view());
    if (m_mails.size() < kMaxCachedMails)
        m_mails.emplace(mail, MailEntry{stored, anonymous});
    return stored;
}

PendingComment CommentMapping::Map(const nvcomment::AnswerComment& comment)
{
    PendingComment c;
    c.no = comment.no;
    const int64_t vpos = comment.vposMs / 10;
    c.vpos = vpos > INT32_MAX ? INT32_MAX : (vpos < INT32_MIN ? INT32_MIN : static_cast<int32_t>(vpos));
    c.date = comment.postedAt;
    c.premium = comment.premium;
    c.mail = mailText(comment.mail, c.anonymous);
    c.userId = storeUtf8(comment.userId);

    const qarvo::C_WString body =
        System::_utf8_to_utf16(comment.body.data(), static_cast<int>(comment.body.size()));
    m_escaped.clear();
    appendEscaped(m_escaped, body.view());
    c.text = m_escaped.empty() ? u"" : m_pool.Store(m_escaped);
    return c;
}

}  // namespace pelmora::engine
