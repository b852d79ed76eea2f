#include "qarvo/platform/net_buffer.h"

#include <sys/mman.h>

#include <new>

namespace qarvo::platform {
namespace {

// Below this a plain heap block is as good.
constexpr size_t kMapThreshold = 4 << 20;

}  // namespace

void NetBufferFree::operator()(char* p) const
{
    if (!p)
        return;
    if (mapped)
        munmap(p, size);
    else
        delete[] p;
}

NetBuffer allocateNetBuffer(size_t size)
{
    if (size < kMapThreshold) {
        char* p = new (std::nothrow) char[size > 0 ? size : 1];
        return NetBuffer(p, NetBufferFree{size, false});
    }
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return NetBuffer(nullptr, NetBufferFree{0, false});
#ifdef MADV_HUGEPAGE
    madvise(p, size, MADV_HUGEPAGE);
#endif
    return NetBuffer(static_cast<char*>(p), NetBufferFree{size, true});
}

}  // namespace qarvo::platform
