// The live comment stream: NUL-ended elements arriving in pieces cut anywhere. Whatever the
// cuts, the elements delivered (and the comments parsed from them) are the same as when the
// whole stream comes in one read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/parse/chat_parser.h"
#include "engine/parse/live_elements.h"
#include "fuzz_input.h"
#include "qarvo/charcode/system_charcode.h"

using namespace pelmora::engine;

namespace {

// One call of the live reader per piece: the tail of the previous call goes first.
std::string readInPieces(std::string_view stream, const std::vector<size_t>& cuts, int* chats)
{
    ParseContext context;
    std::string delivered;
    size_t at = 0;
    *chats = 0;
    for (const size_t cut : cuts) {
        std::string received = std::move(context.liveTail);
        context.liveTail.clear();
        LiveElementCounter counter(context.liveLastNo);
        counter.Update(received);
        received.append(stream.substr(at, cut - at));
        counter.Update(received);
        at = cut;
        *chats += counter.Chats();
        delivered += takeCompleteElements(received, context);
        // What stays for the next call is never a complete element.
        pelmora::fuzz::require(context.liveTail.find('\0') == std::string::npos);
    }
    return delivered;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const pelmora::fuzz::SeededInput in = pelmora::fuzz::seeded(data, size);
    int wholeChats = 0, splitChats = 0;
    const std::string whole = readInPieces(in.rest, {in.rest.size()}, &wholeChats);
    const std::string split = readInPieces(in.rest, pelmora::fuzz::cutPoints(in.seed, in.rest.size()), &splitChats);
    pelmora::fuzz::require(whole == split);
    pelmora::fuzz::require(wholeChats == splitChats);
    ParseContext context;
    parseChats(context, qarvo::common::System::utf8_to_utf16(qarvo::C_String(whole)), 1);
    return 0;
}
