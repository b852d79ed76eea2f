#pragma once
// Large blocks of bytes: receive buffers, answer bodies, and the comment records and strings of
// a big answer. A large block is mapped on its own and asked for in huge pages where the system
// offers them: filling fresh memory page by page costs more than the copy itself on some
// machines. A block grows without copying its bytes (the mapping moves) and can give back a
// tail it did not need.

#include <cstddef>
#include <memory>

namespace qarvo::platform {

struct MemoryBlockFree {
    size_t size = 0;
    bool mapped = false;
    void operator()(char* p) const;
};
using MemoryBlock = std::unique_ptr<char[], MemoryBlockFree>;

// `size` bytes, not zeroed; null when the memory cannot be had.
MemoryBlock allocateMemoryBlock(size_t size);
// The bytes the block holds (0 for null).
inline size_t memoryBlockSize(const MemoryBlock& block)
{
    return block ? block.get_deleter().size : 0;
}
// Makes the block `size` bytes long, keeping its first bytes; it may move. False, with the block
// unchanged, when the memory cannot be had. A null block is allocated.
bool resizeMemoryBlock(MemoryBlock& block, size_t size);
// Gives back what lies past the first `size` bytes without moving the block: whole pages of a
// mapped block; a small heap block stays as it is. Pointers into the first `size` bytes stay.
void trimMemoryBlock(MemoryBlock& block, size_t size);

}  // namespace qarvo::platform
