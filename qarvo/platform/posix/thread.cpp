#include "qarvo/platform/thread.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace qarvo::platform {

unsigned long currentThreadId()
{
    // The kernel thread id is small, unique among live threads and shows up in debuggers.
    static thread_local const unsigned long id = static_cast<unsigned long>(::syscall(SYS_gettid));
    return id;
}

}  // namespace qarvo::platform
