#pragma once
// What every handler looks like: it gets the address (8-bit), the request words and the job's
// context, fills the context and returns a result code (PelmoraResultCode).

#include "engine/parse/parse_context.h"
#include "qarvo/text/string_array.h"

namespace pelmora::engine {

using Handler = int (*)(const char* address, qarvo::C_WArrayString& words, ParseContext& context);

}  // namespace pelmora::engine
