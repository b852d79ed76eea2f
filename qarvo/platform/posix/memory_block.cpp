#include "qarvo/platform/memory_block.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace qarvo::platform {
namespace {

// Below this a plain heap block is as good.
constexpr size_t kMapThreshold = 4 << 20;

size_t pageSize()
{
    static const size_t size = [] {
        const long n = sysconf(_SC_PAGESIZE);
        return n > 0 ? static_cast<size_t>(n) : size_t{4096};
    }();
    return size;
}

char* mapBlock(size_t size)
{
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return nullptr;
#ifdef MADV_HUGEPAGE
    madvise(p, size, MADV_HUGEPAGE);
#endif
    return static_cast<char*>(p);
}

}  // namespace

void MemoryBlockFree::operator()(char* p) const
{
    if (!p)
        return;
    if (mapped)
        munmap(p, size);
    else
        std::free(p);
}

MemoryBlock allocateMemoryBlock(size_t size)
{
    if (size < kMapThreshold) {
        char* p = static_cast<char*>(std::malloc(size > 0 ? size : 1));
        return MemoryBlock(p, MemoryBlockFree{p ? size : 0, false});
    }
    char* p = mapBlock(size);
    return MemoryBlock(p, MemoryBlockFree{p ? size : 0, p != nullptr});
}

bool resizeMemoryBlock(MemoryBlock& block, size_t size)
{
    if (!block) {
        block = allocateMemoryBlock(size);
        return block != nullptr;
    }
    MemoryBlockFree& info = block.get_deleter();
    if (size == 0)
        size = 1;
    if (!info.mapped && size < kMapThreshold) {
        void* p = std::realloc(block.get(), size);
        if (!p)
            return false;
        block.release();
        block = MemoryBlock(static_cast<char*>(p), MemoryBlockFree{size, false});
        return true;
    }
#ifdef MREMAP_MAYMOVE
    if (info.mapped) {
        // The kernel moves the page tables, not the bytes.
        void* p = mremap(block.get(), info.size, size, MREMAP_MAYMOVE);
        if (p == MAP_FAILED)
            return false;
        block.release();
        block = MemoryBlock(static_cast<char*>(p), MemoryBlockFree{size, true});
        return true;
    }
#endif
    MemoryBlock moved = allocateMemoryBlock(size);
    if (!moved)
        return false;
    std::memcpy(moved.get(), block.get(), info.size < size ? info.size : size);
    block = std::move(moved);
    return true;
}

void trimMemoryBlock(MemoryBlock& block, size_t size)
{
    if (!block || !block.get_deleter().mapped)
        return;
    MemoryBlockFree& info = block.get_deleter();
    const size_t page = pageSize();
    const size_t keep = size == 0 ? page : (size + page - 1) / page * page;
    if (keep >= info.size)
        return;
    if (munmap(block.get() + keep, info.size - keep) == 0)
        info.size = keep;
}

}  // namespace qarvo::platform
