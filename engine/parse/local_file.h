#pragma once
// The "decode" mode: a comment XML file on disk (a saved answer or a file another program
// wrote) read into a job's context as if the comment server had sent it.

#include <cstddef>

#include "engine/parse/parse_context.h"
#include "qarvo/text/string.h"

namespace pelmora::engine {

// True when the bytes begin like a comment document: "<?xml", or a comment answer's own first
// element ("<packet", "<thread", "<chat"), after an optional UTF-8 byte-order mark and white
// space. Saved answers usually carry no declaration.
bool looksLikeCommentXml(const char* data, size_t size);

// Parses a UTF-8 comment document held in memory (no running numbers). 0, or 5 when it is not
// a comment document.
int decodeCommentBytes(const char* data, size_t size, ParseContext& context);

// Reads and parses a file. 0; 5 when it is not a comment document; 6 when it cannot be read.
int decodeCommentFile(const qarvo::C_WString& path, ParseContext& context);

}  // namespace pelmora::engine
