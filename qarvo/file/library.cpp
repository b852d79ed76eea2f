#include "qarvo/file/library.h"

#include "qarvo/platform/dl.h"

void* qarvo_dlopen(const char* name, int flags)
{
    return qarvo::platform::libraryOpen(name, flags);
}

void* qarvo_dlsym(void* handle, const char* name)
{
    return qarvo::platform::librarySymbol(handle, name);
}

void qarvo_dlclose(void* handle)
{
    qarvo::platform::libraryClose(handle);
}

const char* qarvo_dlerror()
{
    return qarvo::platform::libraryError();
}

namespace qarvo {

int C_Library::Load(const C_String& path)
{
    if (m_handle) {
        m_error = "load: a library is already loaded";
        return 0;
    }
    m_handle = qarvo_dlopen(path.c_str(), 0);
    if (!m_handle) {
        const char* why = qarvo_dlerror();
        m_error = C_String::Stringf("load %s: %s", path.c_str(), why ? why : "unknown error");
        return 0;
    }
    m_error.Clear();
    return 1;
}

void C_Library::Free()
{
    if (m_handle) {
        qarvo_dlclose(m_handle);
        m_handle = nullptr;
    }
}

void* C_Library::GetProc(const char* name)
{
    void* symbol = qarvo_dlsym(m_handle, name);
    if (!symbol) {
        const char* why = m_handle ? qarvo_dlerror() : "no library loaded";
        m_error = C_String::Stringf("symbol %s: %s", name ? name : "(null)", why ? why : "not found");
    }
    return symbol;
}

}  // namespace qarvo
