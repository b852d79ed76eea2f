#pragma once
// Handlers that find the video file address of a page on another video site. They have no
// comments to fetch and work only when the mode word asks for "getx"; otherwise they report
// the page title (when they got that far) with code 5.

#include "engine/handlers/handler.h"
#include "qarvo/text/string.h"

namespace pelmora::engine {

int handleYouTube(const char* address, qarvo::C_WArrayString& words, ParseContext& context);
// The second site: a page, then a form post that names the video file.
int handleGetflvSite(const char* address, qarvo::C_WArrayString& words, ParseContext& context);
// The third site: the file address is derived from the player's and the picture's addresses.
int handleEmbedSite(const char* address, qarvo::C_WArrayString& words, ParseContext& context);

// Scheme and host with the "/" after them: the text up to and including the first "/" at or
// after index 7, or the address + "/" when there is none.
qarvo::C_String schemeAndHost(const qarvo::C_String& address);
// Replaces each six-character "\uXXXX" escape: its last two characters are read as decimal
// digits (high * 16 + low); a value up to 126 becomes that character, a larger one nothing.
qarvo::C_String decodeJsEscapes(const qarvo::C_String& text);
// The YouTube page title: the part that is not the site's name, around the first "-".
qarvo::C_String youTubeTitle(const qarvo::C_String& page);
// Removes the analytics cookies a site's history cookie comes with.
qarvo::C_String dropAnalyticsCookies(const qarvo::C_String& cookie);

}  // namespace pelmora::engine
