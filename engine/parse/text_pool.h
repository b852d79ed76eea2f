#pragma once
// Storage for the comment strings of one job's batch. A 150 MB answer holds a million comments
// with four strings each: one heap block per string would cost more than the parse. The pool
// hands out NUL-terminated UTF-16 strings from large blocks that never move, so the pointers
// stay valid (and can cross the boundary as they are) until the pool is cleared.
//
// A walk over one answer tells the pool beforehand how much it may need (Expect), writes its
// strings one after the other into that one block, and gives back what it did not use (Trim):
// the strings of an answer sit in one block of their exact size, touched once.

#include <cstddef>
#include <string_view>
#include <vector>

#include "qarvo/platform/memory_block.h"

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
    // `utf8` converted to UTF-16 (ill-formed bytes as U+FFFD), NUL-terminated, valid until Clear().
    const char16_t* StoreUtf8(std::string_view utf8);
    // The strings stored next need about `units` units (terminators included): when the current
    // block has less room, the next one is made that large.
    void Expect(size_t units);
    // Gives back the room of the current block that no string took (a large block only).
    void Trim();
    // Drops every string at once.
    void Clear();
    // Units handed out, terminators included (for tests and benchmarks).
    size_t UsedUnits() const { return m_used; }
    // Units the blocks hold, used or not.
    size_t ReservedUnits() const;

private:
    // Small enough not to waste much on a short batch, large enough that a million strings take
    // a few thousand allocations when nobody said what to expect.
    static constexpr size_t kBlockUnits = 64 * 1024;

    // Room for `units` units at m_next.
    bool reserve(size_t units);
    bool startBlock(size_t units);

    std::vector<qarvo::platform::MemoryBlock> m_blocks;
    char16_t* m_next = nullptr;
    size_t m_left = 0;
    size_t m_used = 0;
    size_t m_expected = 0;
};

}  // namespace pelmora::engine
