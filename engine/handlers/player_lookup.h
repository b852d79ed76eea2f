#pragma once
// Mode "getx2": the video file address through the service's external player page instead of
// the watch page, two form posts that hand out a key and then the address.

#include "engine/handlers/handler.h"

namespace pelmora::engine {

int lookUpExternalPlayer(qarvo::C_WArrayString& words, ParseContext& context);

}  // namespace pelmora::engine
