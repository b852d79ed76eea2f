#pragma once
// Puts an Answer on the wire through cpp-httplib, with the encoding and transfer faults of
// the request: gzip or deflate bodies, chunked transfer, a chunked body cut before its last
// chunk, or a body dropped halfway under a full Content-Length.

#include "tools/nicosim/faults.h"
#include "tools/nicosim/site.h"

#include <httplib.h>

namespace nicosim {

// Chunk sizes of a chunked body, used in turn: small, odd and large ones, so that a client's
// chunk parser meets every case.
inline constexpr size_t kChunkSizes[] = {1, 7, 64, 4096, 13, 1000};

void writeAnswer(Answer answer, const Faults& faults, httplib::Response& response);

} // namespace nicosim
