#pragma once
// The comment files in "out": a UTF-16LE text file per page and fetch cycle (one line per
// comment) and an XML file with the raw answer of the latest batch.

#include <ctime>

#include "qarvo/file/file_stream.h"
#include "qarvo/text/string.h"
#include "viewer/core/model/comment_record.h"

namespace pelmora::viewer {

using qarvo::C_String;
using qarvo::C_WString;

// A title longer than this (in UTF-16 units) is cut in file names; it is also cut so that the
// whole name stays within the file system's 255-byte limit, since a failed file would lose
// the comments' text copy.
inline constexpr int kMaxTitleInFileName = 80;

// "<dir>/<title>(YY.MM.DD HH時MM分SS秒).txt" with the title (UTF-8) decoded and made safe.
C_WString CommentTextFileName(const C_WString& directory, const char* titleUtf8, std::time_t now);
// The XML file's name: ").txt" becomes ").xml".
C_WString CommentXmlFileName(const C_WString& textFileName);
// The file name without its leading directory part.
C_WString FileNameOnly(const C_WString& path);
// One line of the text file, CR LF included.
C_WString FormatCommentLine(const tag_NICO_COMMENT_LIGHT& comment);

// Opens the page's text file for a batch: a new file with the byte-order mark when `name` is
// empty (and then sets `name`), else the known file for appending (made again, with the mark,
// when it was deleted meanwhile). False when it cannot be opened.
bool OpenCommentTextFile(qarvo::C_FileStream& file, C_WString& name, const C_WString& directory,
                         const char* titleUtf8, std::time_t now);
bool AppendCommentLine(qarvo::C_FileStream& file, const tag_NICO_COMMENT_LIGHT& comment);
// Writes the raw block to `path`, cutting any longer earlier content. False on failure.
bool WriteCommentXml(const C_WString& path, const unsigned char* data, int size);

}  // namespace pelmora::viewer
