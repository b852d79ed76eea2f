#pragma once
// The "dumy_debug" mode: made-up comments without any network, for trying out the viewer and
// for testing jobs, stop requests and the live loop. w3 is the code to return, w4 a delay in
// milliseconds.

#include "engine/handlers/handler.h"

namespace pelmora::engine {

// Comments per call.
inline constexpr int kDebugCommentCount = 1000;

int generateDebugComments(qarvo::C_WArrayString& words, ParseContext& context);

// The engine-wide counter that shifts the numbers and phrases of each call (grows by 2).
int debugCommentCounter();

}  // namespace pelmora::engine
