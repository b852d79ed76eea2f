#pragma once
// Shared libraries loaded at run time by path.

#include "qarvo/text/string.h"

// flags 0: resolve every symbol now and keep them local to the library (the usual choice);
// other values are passed to the system as they are. Null on failure (see qarvo_dlerror).
void* qarvo_dlopen(const char* name, int flags);
void* qarvo_dlsym(void* handle, const char* name);
void qarvo_dlclose(void* handle);
// Text of the last failure on this thread, or null.
const char* qarvo_dlerror();

namespace qarvo {

// Owns one loaded library; unloads it on destruction. Symbols taken from it are valid only
// while it is loaded.
class C_Library {
public:
    C_Library() = default;
    ~C_Library() { Free(); }
    C_Library(const C_Library&) = delete;
    C_Library& operator=(const C_Library&) = delete;

    // 1 loaded; 0 when already loaded or the system refuses (GetLastErrorText says why).
    int Load(const C_String& path);
    void Free();
    bool IsLoaded() const { return m_handle != nullptr; }
    void* GetProc(const char* name);
    const C_String& GetLastErrorText() const { return m_error; }

private:
    void* m_handle = nullptr;
    C_String m_error;
};

}  // namespace qarvo
