#pragma once
// Deterministic numbers for the simulated service. Every value nicosim serves is a pure
// function of the seed and a few small numbers (a thread, a comment index), so any comment of
// any thread can be produced on demand, without producing the ones before it.

#include <cstdint>
#include <string_view>

namespace nicosim {

// splitmix64's step: a cheap, well-mixed 64-bit permutation.
constexpr uint64_t mix64(uint64_t x)
{
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

constexpr uint64_t seededHash(uint64_t seed, uint64_t a, uint64_t b = 0, uint64_t c = 0)
{
    return mix64(mix64(mix64(seed ^ 0x6e69636f73696d00ull) ^ a) ^ b) ^ c;
}

// FNV-1a, to turn a name into a hash input.
constexpr uint64_t hashText(std::string_view text)
{
    uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 0x100000001b3ull;
    }
    return h;
}

// A stream of numbers drawn from one starting hash.
class Draw {
public:
    explicit constexpr Draw(uint64_t start) : m_state(start) {}

    constexpr uint64_t next() { return mix64(m_state += 0x632be59bd9b4e019ull); }
    // A number in [0, n); 0 when n is 0.
    constexpr uint64_t below(uint64_t n) { return n == 0 ? 0 : next() % n; }
    constexpr bool chance(unsigned percent) { return below(100) < percent; }

private:
    uint64_t m_state;
};

} // namespace nicosim
