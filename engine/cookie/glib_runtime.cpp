#include "engine/cookie/glib_runtime.h"

#include <map>
#include <mutex>

namespace pelmora::cookie::glib {

void* loadForever(const char* fileName)
{
    static std::mutex mutex;
    static std::map<std::string, void*> loaded;  // guarded by mutex; the handles are never closed
    std::lock_guard<std::mutex> lock(mutex);
    auto it = loaded.find(fileName);
    if (it == loaded.end())
        it = loaded.emplace(fileName, qarvo_dlopen(fileName, 0)).first;
    return it->second;
}

std::string takeError(GError*& error, FreeErrorFn freeError)
{
    if (!error)
        return std::string();
    std::string text = error->message ? error->message : "unknown error";
    if (freeError)
        freeError(error);
    error = nullptr;
    return text;
}

}  // namespace pelmora::cookie::glib
