// Chunked transfer decoding fed the way the receiver feeds it: the unconsumed rest of one
// read goes again, with the next read after it. Whatever the cuts, the body and the end state
// are those of one read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "qarvo/http/chunk_decoder.h"

using qarvo::http::ChunkDecoder;

namespace {

struct Outcome {
    std::string body;
    ChunkDecoder::State state;
    bool operator==(const Outcome&) const = default;
};

Outcome decode(std::string_view input, const std::vector<size_t>& cuts)
{
    ChunkDecoder decoder;
    Outcome out;
    std::string pending;
    size_t at = 0;
    for (const size_t cut : cuts) {
        pending.append(input.substr(at, cut - at));
        at = cut;
        const ChunkDecoder::Step step = decoder.Feed(pending.data(), pending.size());
        pelmora::fuzz::require(step.produced <= step.consumed && step.consumed <= pending.size());
        out.body.append(pending.data(), step.produced);
        pending.erase(0, step.consumed);
        if (decoder.IsDone() || decoder.IsFailed())
            break;
    }
    out.state = decoder.GetState();
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const pelmora::fuzz::SeededInput in = pelmora::fuzz::seeded(data, size);
    const Outcome whole = decode(in.rest, {in.rest.size()});
    const Outcome split = decode(in.rest, pelmora::fuzz::cutPoints(in.seed, in.rest.size()));
    pelmora::fuzz::require(whole == split);
    return 0;
}
