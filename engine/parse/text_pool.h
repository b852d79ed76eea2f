#pragma once
// Storage for the comment strings of one job's batch. A 150 MB answer holds a million comments
// with four strings each: one heap block per string would cost more than the parse. The pool
// hands out NUL-terminated copies from large chunks that never move, so the pointers stay valid
// (and can cross the boundary as they are) until the pool is cleared.

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace pelmora::engine {

class TextPool {
public:
    TextPool() = default;
    TextPool(const TextPool&) = delete;
    TextPool& operator=(const TextPool&) = delete;
    TextPool(TextPool&&) noexcept = default;
    TextPool& operator=(TextPool&&) noexcept = default;

    // A NUL-terminated copy of `text`, valid until Clear().
    const char16_t* Store(std::u16string_view text);
    // Drops every string at once.
    void Clear();
    // Units handed out, terminators included (for tests and benchmarks).
    size_t UsedUnits() const { return m_used; }

private:
    // Small enough not to waste much on a short batch, large enough that a million strings take
    // a few thousand allocations.
    static constexpr size_t kChunkUnits = 64 * 1024;

    char16_t* reserve(size_t units);

    std::vector<std::unique_ptr<char16_t[]>> m_chunks;
    char16_t* m_next = nullptr;
    size_t m_left = 0;
    size_t m_used = 0;
};

}  // namespace pelmora::engine
