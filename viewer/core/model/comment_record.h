#pragma once
// The viewer's own copy of one comment. The engine's records live only during its callback, so
// everything kept is copied here.

#include <cstdint>
#include <vector>

#include "engine/pelmora2.h"
#include "qarvo/text/pointer.h"
#include "qarvo/text/string.h"

namespace pelmora::viewer {

// Where a waiting comment starts: just beyond the right edge of the page.
inline constexpr int kFlowStartX = 840;

struct tag_NICO_COMMENT_LIGHT {
    int anonymity = 0;
    int64_t date = 0;   // seconds since 1970
    int mail184 = 0;    // 184 when the mail attribute holds "184"
    int deleted = 0;
    int no = 0;
    int vpos = 0;       // 1/100 s
    int premium = 0;
    qarvo::C_WString userId;
    qarvo::C_WString text;  // markup entities decoded
    qarvo::C_WString mail;
    // Owned by the flowing display once the record is stored.
    int flowX = kFlowStartX;
    int flowLane = 0;
    int flowEnd = 0;
    int flowLabel = 0;
    int lineBreaks = 0;
};

using CommentPtr = qarvo::common::Pointer<tag_NICO_COMMENT_LIGHT>;
// A page's comments by running index (the index is the position).
using CommentCollection = std::vector<CommentPtr>;

// Copies one engine comment, decoding the markup entities of its text.
tag_NICO_COMMENT_LIGHT MakeCommentRecord(const ChatEntry& chat);

}  // namespace pelmora::viewer
