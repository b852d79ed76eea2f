#pragma once
// The body of the last answer: a run of bytes inside a block the object owns. The receive
// buffer itself is adopted when it can be, so that a large body is not copied again.

#include <cstddef>
#include <cstring>
#include <memory>

#include "qarvo/platform/memory_block.h"

namespace qarvo::http {

class ResponseBody {
public:
    const char* Data() const { return m_block ? m_block.get() + m_begin : nullptr; }
    size_t Size() const { return m_size; }

    void Adopt(platform::MemoryBlock block, size_t begin, size_t size)
    {
        m_block = std::move(block);
        m_begin = begin;
        m_size = size;
    }
    // Keeps the first `offset` bytes and puts `data` after them (a resumed download). False
    // when the memory cannot be had (the old body is then kept).
    bool PlaceAt(size_t offset, const char* data, size_t size)
    {
        const size_t keep = offset < m_size ? offset : m_size;
        platform::MemoryBlock block = platform::allocateMemoryBlock(keep + size + 1);
        if (!block)
            return false;
        if (keep > 0)
            std::memcpy(block.get(), Data(), keep);
        if (size > 0)
            std::memcpy(block.get() + keep, data, size);
        m_block = std::move(block);
        m_begin = 0;
        m_size = keep + size;
        return true;
    }
    // Hands the block over with the body moved to its start and a NUL after it; the body is
    // empty afterwards. Null when the memory for the terminator cannot be had.
    platform::MemoryBlock TakeTerminated()
    {
        platform::MemoryBlock block = std::move(m_block);
        const size_t begin = m_begin, size = m_size;
        Clear();
        if (!block && !platform::resizeMemoryBlock(block, 1))
            return block;
        if (begin > 0)
            std::memmove(block.get(), block.get() + begin, size);
        if (platform::memoryBlockSize(block) < size + 1 && !platform::resizeMemoryBlock(block, size + 1))
            return platform::MemoryBlock();
        block[size] = 0;
        return block;
    }
    void Clear()
    {
        m_block.reset();
        m_begin = m_size = 0;
    }

private:
    platform::MemoryBlock m_block;
    size_t m_begin = 0;
    size_t m_size = 0;
};

}  // namespace qarvo::http
