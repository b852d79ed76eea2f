#pragma once
// The body of a job thread: split the request, run the handler for the address (or read a local
// file), deliver through the callback, and for a live job keep delivering once per wake-up.

#include "engine/job/thread_param.h"

namespace pelmora::engine {

// Thread entry. `arg` is a Pointer<tagThreadParam> made with new; the thread takes it over, so
// the job record lives at least as long as its thread.
unsigned runParseJob(void* arg);

}  // namespace pelmora::engine
