#pragma once
// Comments of a live broadcast or a Jikkyo channel, read from the broadcast's comment server
// over a connection that stays open in the job's context between update cycles.

#include "engine/handlers/handler.h"

namespace pelmora::engine {

int handleLive(const char* address, qarvo::C_WArrayString& words, ParseContext& context, int count);
// Closes the connection a live job keeps in its context (at the end of the job).
void closeLiveConnection(ParseContext& context);

}  // namespace pelmora::engine
