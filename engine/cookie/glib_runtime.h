#pragma once
// The few GLib declarations the keyring readers need, and the loading of GLib-family libraries
// at run time: nothing here is linked, so a system without them still runs.

#include <cstdint>
#include <string>

#include "qarvo/file/library.h"

namespace pelmora::cookie::glib {

// Layouts as GLib's public headers define them.
struct GError {
    uint32_t domain;
    int code;
    char* message;
};
struct GList {
    void* data;
    GList* next;
    GList* prev;
};

using FreeErrorFn = void (*)(GError*);
using UnrefFn = void (*)(void*);

// Loads a library by its file name once for the life of the process, and never unloads it:
// GLib's registered types and its D-Bus worker thread cannot leave a running process. Null
// when it is not installed.
void* loadForever(const char* fileName);

template <class Fn>
Fn symbol(void* library, const char* name)
{
    return library ? reinterpret_cast<Fn>(qarvo_dlsym(library, name)) : nullptr;
}

// The error's message (empty without one); frees it.
std::string takeError(GError*& error, FreeErrorFn freeError);

}  // namespace pelmora::cookie::glib

