#pragma once
// The comments of a job written back as the comment servers' XML, for callers that keep the
// raw answer (mode word "xml") when the comments came from an interface that has none.

#include <string>

#include "engine/parse/parse_context.h"

namespace pelmora::engine {

// A packet with one thread element per thread entry (or the context's thread) and one chat
// element per comment in delivery order, attributes in the servers' order. Texts are written
// as the records hold them, already escaped.
std::string commentsAsXml(const ParseContext& context);

}  // namespace pelmora::engine
