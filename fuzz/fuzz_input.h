#pragma once
// Small helpers shared by the fuzz targets: splitting one input into pieces the way a network
// read might, from the input's own bytes, so that the same file always splits the same way.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::fuzz {

// Cut points for `size` bytes, taken from `seed`: 1 to 64 pieces of any length.
inline std::vector<size_t> cutPoints(uint32_t seed, size_t size)
{
    std::vector<size_t> cuts;
    if (size == 0)
        return cuts;
    uint32_t x = seed | 1u;
    const size_t pieces = 1 + (x % 64);
    for (size_t i = 0; i + 1 < pieces; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        cuts.push_back(x % (size + 1));
    }
    cuts.push_back(size);
    std::sort(cuts.begin(), cuts.end());
    return cuts;
}

// The input split into its first four bytes (a seed for cut points) and the rest.
struct SeededInput {
    uint32_t seed = 0;
    std::string_view rest;
};

inline SeededInput seeded(const uint8_t* data, size_t size)
{
    SeededInput in;
    const size_t n = size < 4 ? size : 4;
    for (size_t i = 0; i < n; ++i)
        in.seed = (in.seed << 8) | data[i];
    in.rest = std::string_view(reinterpret_cast<const char*>(data) + n, size - n);
    return in;
}

// A property that must hold: a failure ends the program the way a sanitizer report does, so
// that the fuzzer keeps the input and the replay fails.
inline void require(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace pelmora::fuzz
