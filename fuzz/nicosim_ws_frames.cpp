// The simulated service's WebSocket input: the request head, then the frames a client sends,
// read the way the server reads them (a buffer that grows by each read, whole frames taken
// from its front). Whatever the cuts, the frames and the final verdict are those of one read,
// and no frame is longer than the limit.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "tools/nicosim/modern_live_frames.h"
#include "tools/nicosim/modern_live_link.h"

namespace {

struct Outcome {
    std::vector<std::string> frames; // opcode byte, then the payload
    nicosim::WsParse last = nicosim::WsParse::NeedMore;
    bool operator==(const Outcome&) const = default;
};

Outcome readFrames(std::string_view input, const std::vector<size_t>& cuts)
{
    Outcome out;
    std::string pending;
    size_t at = 0;
    for (const size_t cut : cuts) {
        pending.append(input.substr(at, cut - at));
        at = cut;
        for (;;) {
            nicosim::WsFrame frame;
            size_t used = 0;
            out.last = nicosim::parseClientFrame(pending, frame, used, 4096);
            if (out.last != nicosim::WsParse::Frame)
                break;
            pelmora::fuzz::require(used > 0 && used <= pending.size() && frame.payload.size() <= 4096);
            out.frames.push_back(static_cast<char>(frame.opcode) + frame.payload);
            pending.erase(0, used);
        }
        if (out.last != nicosim::WsParse::NeedMore && out.last != nicosim::WsParse::Frame)
            return out; // the connection closes here
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const pelmora::fuzz::SeededInput in = pelmora::fuzz::seeded(data, size);
    // A head ends at its empty line; what follows is frames.
    const size_t end = in.rest.find("\r\n\r\n");
    std::string_view frames = in.rest;
    if (end != std::string_view::npos) {
        nicosim::LiveRequest request;
        if (nicosim::parseLiveRequestHead(in.rest.substr(0, end + 4), request))
            pelmora::fuzz::require(!request.method.empty() && !request.target.empty() && request.target[0] == '/');
        frames = in.rest.substr(end + 4);
    }
    const Outcome whole = readFrames(frames, {frames.size()});
    const Outcome split = readFrames(frames, pelmora::fuzz::cutPoints(in.seed, frames.size()));
    pelmora::fuzz::require(whole == split);
    return 0;
}
