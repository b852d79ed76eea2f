#pragma once
// Shared libraries loaded at run time.

namespace qarvo::platform {

// flags 0 means "resolve everything now, keep the symbols local"; other values are the
// system's own dlopen flags. Null on failure.
void* libraryOpen(const char* path, int flags);
void* librarySymbol(void* handle, const char* name);
void libraryClose(void* handle);
// The last failure's text on this thread, or null.
const char* libraryError();

}  // namespace qarvo::platform
