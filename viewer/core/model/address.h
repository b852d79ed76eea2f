#pragma once
// What the viewer does with a typed address: bare identifiers become watch addresses, live
// broadcasts are told apart, and the identifier (last path segment) keys every page.

#include "qarvo/text/string.h"

namespace pelmora::viewer {

using qarvo::C_WString;

// 1 for a live broadcast: the last path segment starts with "lv", "ch" or "co", or the whole
// address starts with "http://live"; otherwise 0.
int ClassifyAddress(const C_WString& address);
// A bare identifier gets the watch path of the live or the main site; the result is cut
// before its first "?" and its first blank.
C_WString NormalizeAddress(const C_WString& input);
// The last path segment (the video or broadcast number).
C_WString AddressIdentifier(const C_WString& address);
// The address shown by the address box's text: unchanged when it starts with "http", else
// the main site's watch address of the text's first word.
C_WString AddressFromBoxText(const C_WString& text);
// "http://www.nicovideo.jp/watch/"
C_WString MainWatchPrefix();
C_WString LiveWatchPrefix();

}  // namespace pelmora::viewer
