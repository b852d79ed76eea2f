#pragma once
// File descriptors: open, move bytes, seek, size, cut, record locks. Paths are UTF-8 bytes.
// errno stays in here: failures come back as a FileError.

#include <cstdint>
#include <string>

namespace qarvo::platform {

enum class FileError {
    None = 0,
    NotFound,
    Exists,
    Access,
    IsDirectory,
    NoSpace,
    Busy,        // a lock is held by someone else
    TooManyOpen,
    Invalid,     // bad argument or bad descriptor
    Other,
};

// A short English text for a FileError.
const char* fileErrorText(FileError error);

// Open flags as the Windows C runtime numbers them; translated to the system's flags in here.
namespace OpenFlag {
constexpr int ReadOnly = 0x0000;
constexpr int WriteOnly = 0x0001;
constexpr int ReadWrite = 0x0002;
constexpr int Append = 0x0008;
constexpr int Create = 0x0100;
constexpr int Truncate = 0x0200;
constexpr int Exclusive = 0x0400;
constexpr int Text = 0x4000;
constexpr int Binary = 0x8000;
}  // namespace OpenFlag

struct FileStatus {
    int64_t size = 0;
    int64_t changeTime = 0;  // seconds since 1970
    int64_t accessTime = 0;
    int64_t writeTime = 0;
    bool isDirectory = false;
    bool isWritable = false;  // by its owner
};

// -1 on failure. New files get read and write permission (less the umask).
int openFile(const char* path, int flags, FileError* error);
void closeFile(int fd);
// Bytes moved, 0 at end of file, -1 on failure. Interrupted calls are resumed; a write moves
// every byte or fails.
int64_t readFile(int fd, void* buffer, int64_t size, FileError* error);
int64_t writeFile(int fd, const void* buffer, int64_t size, FileError* error);
// origin is SEEK_SET, SEEK_CUR or SEEK_END; the new position, or -1.
int64_t seekFile(int fd, int64_t offset, int origin, FileError* error);
bool truncateFile(int fd, int64_t length, FileError* error);
bool syncFile(int fd, FileError* error);
bool statFile(int fd, FileStatus* out, FileError* error);
bool statPath(const char* path, FileStatus* out, FileError* error);
bool removeFile(const char* path, FileError* error);

// Advisory write lock on [offset, offset + length) (length 0: from offset to the end, however
// far the file grows). Locks belong to the open descriptor, so two descriptors of the same file
// exclude each other even inside one process, and closing one leaves the others' locks alone.
// Never waits: FileError::Busy when someone else holds an overlapping lock.
bool lockRegion(int fd, int64_t offset, int64_t length, FileError* error);
bool unlockRegion(int fd, int64_t offset, int64_t length, FileError* error);

}  // namespace qarvo::platform
