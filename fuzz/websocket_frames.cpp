// The WebSocket frame reader fed the server's bytes in two reads, cut at a point the input
// gives, with small caps: whatever the cut, the events are those of one read, no message is
// longer than the message cap and no control payload longer than 125 bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "qarvo/net/websocket_frame.h"

using qarvo::net::WsFrameReader;

namespace {

constexpr size_t kMaxFrame = 64;
constexpr size_t kMaxMessage = 200;

std::vector<std::string> events(std::string_view input, size_t cut)
{
    WsFrameReader reader(kMaxFrame, kMaxMessage);
    std::vector<std::string> out;
    for (std::string_view piece : {input.substr(0, cut), input.substr(cut)}) {
        while (!piece.empty()) {
            size_t used = 0;
            const WsFrameReader::Event event = reader.Feed(piece.data(), piece.size(), &used);
            pelmora::fuzz::require(used <= piece.size());
            piece.remove_prefix(used);
            switch (event) {
            case WsFrameReader::Event::Message:
                pelmora::fuzz::require(reader.MessageData().size() <= kMaxMessage);
                out.push_back((reader.IsBinary() ? "B" : "T") + reader.MessageData());
                break;
            case WsFrameReader::Event::Control:
                pelmora::fuzz::require(reader.GetControlPayload().size() <= qarvo::net::kWsMaxControlPayload);
                out.push_back("C" + std::to_string(static_cast<int>(reader.GetControlOpcode())) +
                              std::string(reader.GetControlPayload()));
                break;
            case WsFrameReader::Event::Failed:
                out.push_back("F" + std::to_string(static_cast<int>(reader.GetFault())));
                return out;
            case WsFrameReader::Event::NeedMore:
                pelmora::fuzz::require(piece.empty());
                break;
            }
            // While a message is gathered it stays within the cap too.
            pelmora::fuzz::require(reader.MessageData().size() <= kMaxMessage);
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const pelmora::fuzz::SeededInput in = pelmora::fuzz::seeded(data, size);
    const size_t cut = in.rest.empty() ? 0 : in.seed % (in.rest.size() + 1);
    pelmora::fuzz::require(events(in.rest, in.rest.size()) == events(in.rest, cut));
    return 0;
}
