// gzip / deflate decoding: the whole-body decoder with its cap, the streaming inflater fed in
// pieces cut anywhere (the same bytes come out whatever the cuts, up to where it fails), and
// the library's zlib helpers with their output cap.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "qarvo/http/content_decoder.h"

using namespace qarvo;
using namespace qarvo::http;

namespace {

constexpr size_t kCap = 1 << 20;

struct Outcome {
    bool ok = true;
    std::string bytes;
    bool operator==(const Outcome&) const = default;
};

Outcome inflateInPieces(ContentCoding coding, std::string_view input, const std::vector<size_t>& cuts)
{
    Inflater inflater(coding);
    Outcome out;
    size_t at = 0;
    for (const size_t cut : cuts) {
        out.ok = inflater.Feed(input.data() + at, cut - at, [&](const char* piece, size_t n) {
            // Up to the cap exactly, so that where zlib cut its output does not matter.
            const size_t room = kCap - out.bytes.size();
            out.bytes.append(piece, n < room ? n : room);
            return n <= room;
        });
        at = cut;
        if (!out.ok)
            break;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const ContentCoding coding = data[0] & 1 ? ContentCoding::Gzip : ContentCoding::Deflate;
    const pelmora::fuzz::SeededInput in = pelmora::fuzz::seeded(data + 1, size - 1);

    const Outcome whole = inflateInPieces(coding, in.rest, {in.rest.size()});
    const Outcome split = inflateInPieces(coding, in.rest, pelmora::fuzz::cutPoints(in.seed, in.rest.size()));
    pelmora::fuzz::require(whole == split);

    platform::MemoryBlock body;
    size_t bodySize = 0;
    C_String error;
    const bool ok = decodeBody(coding, in.rest.data(), in.rest.size(), kCap, &body, &bodySize, &error);
    pelmora::fuzz::require(bodySize <= kCap);
    pelmora::fuzz::require(!ok || std::string_view(body.get(), bodySize) == whole.bytes);

    C_Memory out;
    const int n = common::System::zlib_inflate(&out, in.rest.data(), static_cast<int>(in.rest.size()), &error);
    pelmora::fuzz::require(n <= static_cast<int>(common::System::kZlibOutputCap));
    if (void* handle = common::System::zlib_parts_init2(&error)) {
        const int m = common::System::zlib_parts_inflate(handle, &out, in.rest.data(), static_cast<int>(in.rest.size()), &error);
        pelmora::fuzz::require(m <= static_cast<int>(common::System::kZlibOutputCap));
        common::System::zlib_parts_exit(handle);
    }
    return 0;
}
