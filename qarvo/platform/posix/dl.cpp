#include "qarvo/platform/dl.h"

#include <dlfcn.h>

namespace qarvo::platform {

void* libraryOpen(const char* path, int flags)
{
    if (!path || !*path)
        return nullptr;
    return ::dlopen(path, flags == 0 ? (RTLD_NOW | RTLD_LOCAL) : flags);
}

void* librarySymbol(void* handle, const char* name)
{
    if (!handle || !name)
        return nullptr;
    return ::dlsym(handle, name);
}

void libraryClose(void* handle)
{
    if (handle)
        ::dlclose(handle);
}

const char* libraryError()
{
    return ::dlerror();
}

}  // namespace qarvo::platform
