#pragma once
// The request text of a job ("ADDRESS COUNT MODE [w3 w4 w5]") and the words it splits into.

#include "qarvo/text/string.h"
#include "qarvo/text/string_array.h"

namespace pelmora::engine {

// Word positions in a request.
enum RequestWord { kAddressWord = 0, kCountWord = 1, kModeWord = 2, kExtraWord1 = 3, kExtraWord2 = 4, kExtraWord3 = 5 };

// Every ideographic space (U+3000, what a Japanese input method types) counts as a space, runs
// of spaces count as one, and the text is split at spaces.
qarvo::C_WArrayString splitRequest(const qarvo::C_WString& request);

// The number in the count word; 0 when it is empty or missing.
int requestedCount(const qarvo::C_WArrayString& words);

// True when the mode word contains `flag` ("xml", "cache", "getx", "dumy_debug", ...).
bool modeHas(const qarvo::C_WArrayString& words, const char16_t* flag);

// Replaces word `index`, adding empty words before it when the request was shorter.
void setWord(qarvo::C_WArrayString& words, int index, const qarvo::C_WString& value);

}  // namespace pelmora::engine
