#pragma once
// A comment of today's interface made into what the old path delivers: the number, the
// position in hundredths of a second (vposMs / 10), the posting time in Unix seconds, the
// commands joined by spaces as the mail field ("184" in it makes the comment anonymous), the
// user id, the premium flag, and the body escaped as the comment servers always sent it, so
// that the viewer's decoding gives back the body exactly.

#include <string>
#include <unordered_map>

#include "engine/handlers/fork_comments.h"
#include "engine/parse/text_pool.h"
#include "engine/service/nvcomment_data.h"

namespace pelmora::engine {

class CommentMapping {
public:
    explicit CommentMapping(TextPool& pool) : m_pool(pool) {}

    PendingComment Map(const nvcomment::AnswerComment& comment);

private:
    const char16_t* storeUtf8(std::string_view text);
    const char16_t* mailText(const std::string& mail, bool& anonymous);

    TextPool& m_pool;
    // A video uses a few dozen command combinations; each is stored once.
    struct MailEntry {
        const char16_t* text;
        bool anonymous;
    };
    std::unordered_map<std::string, MailEntry> m_mails;
    std::u16string m_escaped;
};

}  // namespace pelmora::engine
