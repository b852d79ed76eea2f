#pragma once
// Handlers that find the video file address of a page on another video site.

#include "engine/handlers/handler.h"

namespace pelmora::engine {

int handleYouTube(const char* address, qarvo::C_WArrayString& words, ParseContext& context);
int handleSecondSite(const char* address, qarvo::C_WArrayString& words, ParseContext& context);
int handleThirdSite(const char* address, qarvo::C_WArrayString& words, ParseContext& context);

}  // namespace pelmora::engine
