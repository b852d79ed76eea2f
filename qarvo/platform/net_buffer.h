#pragma once
// Receive buffers. A large one is asked for in huge pages where the system offers them:
// filling fresh memory page by page costs more than the copy itself on some machines.

#include <cstddef>
#include <memory>

namespace qarvo::platform {

struct NetBufferFree {
    size_t size = 0;
    bool mapped = false;
    void operator()(char* p) const;
};
using NetBuffer = std::unique_ptr<char[], NetBufferFree>;

// `size` bytes, not zeroed; null when the memory cannot be had.
NetBuffer allocateNetBuffer(size_t size);

}  // namespace qarvo::platform
