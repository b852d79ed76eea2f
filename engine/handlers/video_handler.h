#pragma once
// The handler of the service's own addresses: videos, and (handed on) live broadcasts and
// Jikkyo channels.

#include "engine/handlers/handler.h"

namespace pelmora::engine {

int handleVideo(const char* address, qarvo::C_WArrayString& words, ParseContext& context);

}  // namespace pelmora::engine
