#pragma once
// One read of a live job's comment server connection: what came until the asked comments were
// all there, a silent second after data, a break or a stop request.

#include <string>

#include "engine/parse/parse_context.h"

namespace pelmora::engine {

enum class LiveReadEnd {
    Enough,    // one more new comment than `count` came
    Silence,   // data came, then nothing for a second
    Broken,    // the connection failed or the server closed it
    Overflow,  // an element grew past kMaxLiveBytes without its end
    Stopped,   // the job was asked to stop
};

// Reads context.liveSocket (which must be set), starting with context.liveTail. Appends the
// complete elements, less the comments delivered before, to `text` (NULs turned to spaces);
// what follows the last complete element waits in context.liveTail, except after an
// overflow, when that endless element is dropped. The connection is left as it is.
LiveReadEnd readLiveConnection(ParseContext& context, int count, std::string& text);

// True when `text` (as readLiveConnection gives it) holds a comment.
bool holdsChat(const std::string& text);

}  // namespace pelmora::engine
