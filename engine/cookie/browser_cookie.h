#pragma once
// The login cookie the user's browser already holds for an address, as the text of a Cookie
// header. The engine and the viewer both ask it before they talk to the service; the engine
// never logs in by itself.
//
// The user's choice (login_lookup.h: PELMORA_COOKIES, PELMORA_COOKIES_FROM_BROWSER) is the only
// source when it is made. Without one, three sources are tried in order until one answers:
//   1. the browsers' own stores: every profile of Firefox and its forks and of the Chromium
//      family; the one whose login cookie for the address was used last;
//   2. every "*.txt" file of the cookie folder (nine-line records or a Netscape cookies.txt):
//      the newest file with a cookie for the address's domain;
//   3. the file "<user>@<label>*" of the cookie folder (label: the host's second-level label).
// Every cookie taken from a store or a Netscape file passes the rules a browser applies
// (cookie_rules.h).

#include <string>

#include "qarvo/text/string.h"

namespace pelmora::cookie {

// The cookie folder: $PELMORA_COOKIE_DIR, else $XDG_DATA_HOME/PelmoraVista/Cookies, else
// ~/.local/share/PelmoraVista/Cookies. Empty when none of these can be named.
qarvo::C_WString getCookieFolder();

// Fills `cookie` and returns true when one of the sources answers for `address`; `cookie` is
// left unchanged otherwise. `scanTxtFiles` enables source 2.
bool getBrowserCookie(qarvo::C_String& cookie, const char* address, bool scanTxtFiles, qarvo::C_WString folder);

// What the last getBrowserCookie on this thread could not do: empty when it found the login,
// else which stores it looked at and why none gave it ("chrome (Default): the keyring did not
// answer; the login cookie could not be decrypted"). Taking it empties it.
std::string takeLookupReport();

// Source 1 (or the chosen browser).
bool getInterfaceCookie(const char* address, qarvo::C_String& cookie);
// Source 2.
bool getTxtFileCookie(qarvo::C_WString folder, const qarvo::C_String& address, qarvo::C_String& cookie);
// Source 3.
bool getUserNameFileCookie(qarvo::C_WString folder, const qarvo::C_String& address, qarvo::C_String& cookie);

}  // namespace pelmora::cookie
