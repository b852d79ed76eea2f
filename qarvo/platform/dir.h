#pragma once
// Directories: create, remove, list, look up, and the process's own places. Paths are UTF-8.

#include <cstdint>
#include <functional>
#include <string>

#include "qarvo/platform/file.h"

namespace qarvo::platform {

struct DirEntry {
    std::string name;
    FileStatus status;
};

// Mode bits as mkdir takes them (less the umask). FileError::Exists when it is there already.
bool createDirectory(const char* path, int mode, FileError* error);
bool removeDirectory(const char* path, FileError* error);
// True when `path` is a directory this process may enter.
bool isEnterableDirectory(const char* path);
bool pathExists(const char* path);
// Calls `visit` for every entry, "." and ".." included, in the order the file system gives.
// An entry whose status cannot be read is reported with a zero status.
bool listDirectory(const char* path, const std::function<void(const DirEntry&)>& visit, FileError* error);
// Shell-style match of a name: "*" any run, "?" one byte, "[...]" a set; no escapes, and a
// leading "." needs no special pattern.
bool matchName(const char* pattern, const char* name);
std::string currentDirectory();
// Full path of the running executable; empty when the system does not tell.
std::string executablePath();

}  // namespace qarvo::platform
