#pragma once
// What a second start of the viewer tells the running one: the address it was given (maybe
// none), in UTF-8, ended by a line feed. The running one answers "ok" and a line feed once it
// has taken it.

#include <string>
#include <string_view>

#include "qarvo/text/string.h"

namespace pelmora::viewer {

// A message longer than this is no address (the address box takes 260 characters).
inline constexpr size_t kMaxHandOverBytes = 4096;
inline constexpr int kMaxHandOverAddress = 260;
inline constexpr std::string_view kHandOverAnswer = "ok\n";

enum class HandOverState { NeedMore, Complete, Invalid };

struct HandOver {
    HandOverState state = HandOverState::NeedMore;
    // The address with blanks around it removed; empty when none was given or it could not be
    // used (control characters, too long): the window still comes forward.
    qarvo::C_WString address;
};

// Reads the bytes received so far. Invalid when the line grows beyond kMaxHandOverBytes or
// holds a NUL.
HandOver ReadHandOver(std::string_view received);
// The message for `address`.
std::string HandOverMessage(const qarvo::C_WString& address);

}  // namespace pelmora::viewer
