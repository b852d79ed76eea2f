// The segmented comment stream: length-delimited protobuf messages arriving in pieces cut
// anywhere. Whatever the cuts, the reader hands out the same messages and ends in the same
// state as with one read; each message, read as an entry and as a chat, makes an element
// no larger than a small multiple of its bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/nicolive/chat_element.h"
#include "engine/nicolive/delimited_reader.h"
#include "engine/nicolive/proto/nicolive_edge.pb.h"
#include "fuzz_input.h"

using namespace pelmora::engine::nicolive;
namespace edge = dwango::nicolive::chat::service::edge;

namespace {

// Small, so that inputs reach the cap.
constexpr size_t kCap = 4096;
// An element's own markup around its fields; each byte of a field grows at most to six
// ("&quot;").
constexpr size_t kElementOverhead = 512;

struct Outcome {
    std::vector<std::string> messages;
    bool broken = false;
    size_t pending = 0;
    bool operator==(const Outcome&) const = default;
};

Outcome read(std::string_view stream, const std::vector<size_t>& cuts)
{
    DelimitedReader reader(kCap);
    Outcome out;
    std::string message;
    size_t at = 0;
    for (const size_t cut : cuts) {
        const bool fed = reader.Feed(stream.data() + at, cut - at);
        pelmora::fuzz::require(fed == !reader.IsBroken());
        at = cut;
        while (reader.Next(&message)) {
            pelmora::fuzz::require(message.size() <= kCap);
            out.messages.push_back(message);
        }
    }
    out.broken = reader.IsBroken();
    out.pending = reader.PendingBytes();
    pelmora::fuzz::require(out.pending <= kCap + 10);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const pelmora::fuzz::SeededInput in = pelmora::fuzz::seeded(data, size);
    const Outcome whole = read(in.rest, {in.rest.size()});
    const Outcome split = read(in.rest, pelmora::fuzz::cutPoints(in.seed, in.rest.size()));
    pelmora::fuzz::require(whole == split);

    std::string elements;
    for (const std::string& bytes : whole.messages) {
        edge::ChunkedEntry entry;
        if (entry.ParseFromString(bytes) && entry.has_segment())
            pelmora::fuzz::require(entry.segment().uri().size() <= bytes.size());
        edge::ChunkedMessage message;
        if (!message.ParseFromString(bytes))
            continue;
        const size_t before = elements.size();
        if (!appendChatElement(message, "lv1", &elements))
            pelmora::fuzz::require(elements.size() == before);
        pelmora::fuzz::require(elements.size() - before <= 6 * bytes.size() + kElementOverhead);
    }
    return 0;
}
