#pragma once
// The live handler's path for a broadcast of today's service, whose watch page embeds the
// program's data: the session (engine/nicolive/live_session.h) runs between the cycles, and a
// cycle hands out the chat elements that arrived since the last one.

#include <string>

#include "engine/nicolive/embedded_data.h"
#include "engine/parse/parse_context.h"

namespace pelmora::engine {

// The first cycle: starts the session and waits for the first comments. 0 with the chat
// elements in `text`; 9 for an ended program, 7 stopped, 1 when it cannot be followed, with
// context.stateText saying why.
int startModernLive(const nicolive::ProgramFacts& program, ParseContext& context, int count, std::string& text);
// A later cycle: waits for new comments (0), the program's end (9), a session that gave up
// (1) or a stop request (7).
int followModernLive(ParseContext& context, std::string& text);

}  // namespace pelmora::engine
