#pragma once
// The login cookie the user's browser already holds for an address, as the text of a Cookie
// header. The engine and the viewer both ask it before they talk to the service; the engine
// never logs in by itself.
//
// Three sources, tried in order until one answers:
//   1. the browser's own store: Firefox's cookies.sqlite of the default profile;
//   2. every "*.txt" file of the cookie folder: the newest file with a record for the address's
//      domain;
//   3. the file "<user>@<label>*" of the cookie folder (label: the host's second-level label).

#include "qarvo/text/string.h"

namespace pelmora::cookie {

// The cookie folder: $PELMORA_COOKIE_DIR, else $XDG_DATA_HOME/PelmoraVista/Cookies, else
// ~/.local/share/PelmoraVista/Cookies. Empty when none of these can be named.
qarvo::C_WString getCookieFolder();

// Fills `cookie` and returns true when one of the sources answers for `address`; `cookie` is
// left unchanged otherwise. `scanTxtFiles` enables source 2.
bool getBrowserCookie(qarvo::C_String& cookie, const char* address, bool scanTxtFiles, qarvo::C_WString folder);

// Source 1.
bool getInterfaceCookie(const char* address, qarvo::C_String& cookie);
// Source 2.
bool getTxtFileCookie(qarvo::C_WString folder, const qarvo::C_String& address, qarvo::C_String& cookie);
// Source 3.
bool getUserNameFileCookie(qarvo::C_WString folder, const qarvo::C_String& address, qarvo::C_String& cookie);

}  // namespace pelmora::cookie
