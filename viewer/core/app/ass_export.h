#pragma once
// "ファイル" > "ASS で保存…": the selected page's comments as ASS subtitles, in a file the user
// names. GUI thread.

#include "qarvo/text/string.h"
#include "viewer/core/model/comment_record.h"
#include "viewer/ui/types.h"

namespace pelmora::viewer {

// Asks for the file (suggesting "<title>.ass"), writes it and says how it went in a message
// box. False when nothing was written (cancelled, or the file could not be written).
bool SaveCommentsAsAss(qarvo::ui::WindowHandle owner, const CommentCollection& comments, const qarvo::C_WString& title);

}  // namespace pelmora::viewer
