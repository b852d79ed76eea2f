#include "engine/handlers/live_handler.h"

#include "engine/pelmora2.h"

namespace pelmora::engine {

// The comment-server connection is not built yet: a live address fails like a connection that
// could not be made.
int handleLive(const char*, qarvo::C_WArrayString&, ParseContext&, int)
{
    return PELMORA_RESULT_REQUEST_FAILED;
}

void closeLiveConnection(ParseContext& context)
{
    context.liveSocket.Reset();
}

}  // namespace pelmora::engine
