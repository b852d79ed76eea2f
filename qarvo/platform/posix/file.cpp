#include "qarvo/platform/file.h"

#include "qarvo/platform/posix/file_error.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qarvo::platform {

FileError fileErrorFromErrno(int err)
{
    switch (err) {
    case 0:
        return FileError::None;
    case ENOENT:
    case ENOTDIR:
        return FileError::NotFound;
    case EEXIST:
    case ENOTEMPTY:
        return FileError::Exists;
    case EACCES:
    case EPERM:
    case EROFS:
        return FileError::Access;
    case EISDIR:
        return FileError::IsDirectory;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return FileError::NoSpace;
    case EAGAIN:
    case EDEADLK:
        return FileError::Busy;
    case EMFILE:
    case ENFILE:
        return FileError::TooManyOpen;
    case EINVAL:
    case EBADF:
    case ENAMETOOLONG:
    case ELOOP:
        return FileError::Invalid;
    default:
        return FileError::Other;
    }
}

namespace {

void setError(FileError* out, FileError value)
{
    if (out)
        *out = value;
}

bool fail(FileError* out)
{
    setError(out, fileErrorFromErrno(errno));
    return false;
}

int systemFlags(int flags)
{
    int out = O_CLOEXEC;
    switch (flags & 0x3) {
    case OpenFlag::WriteOnly:
        out |= O_WRONLY;
        break;
    case OpenFlag::ReadWrite:
        out |= O_RDWR;
        break;
    default:
        out |= O_RDONLY;
        break;
    }
    if (flags & OpenFlag::Append)
        out |= O_APPEND;
    if (flags & OpenFlag::Create)
        out |= O_CREAT;
    if (flags & OpenFlag::Truncate)
        out |= O_TRUNC;
    if (flags & OpenFlag::Exclusive)
        out |= O_EXCL;
    // Text and Binary make no difference here: files are always read and written as bytes.
    return out;
}

void fillStatus(const struct stat& st, FileStatus* out)
{
    out->size = static_cast<int64_t>(st.st_size);
    out->changeTime = static_cast<int64_t>(st.st_ctime);
    out->accessTime = static_cast<int64_t>(st.st_atime);
    out->writeTime = static_cast<int64_t>(st.st_mtime);
    out->isDirectory = S_ISDIR(st.st_mode);
    out->isWritable = (st.st_mode & S_IWUSR) != 0;
}

bool setLock(int fd, short type, int64_t offset, int64_t length, FileError* error)
{
    if (fd < 0 || offset < 0 || length < 0) {
        setError(error, FileError::Invalid);
        return false;
    }
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
#ifdef F_OFD_SETLK
    // Open-file-description locks: per descriptor, not per process (see the header).
    const int command = F_OFD_SETLK;
#else
    const int command = F_SETLK;
#endif
    while (fcntl(fd, command, &fl) != 0) {
        if (errno == EINTR)
            continue;
        if (errno == EACCES)
            errno = EAGAIN;  // some systems report a conflicting lock this way
        return fail(error);
    }
    setError(error, FileError::None);
    return true;
}

}  // namespace

const char* fileErrorText(FileError error)
{
    switch (error) {
    case FileError::None:
        return "no error";
    case FileError::NotFound:
        return "no such file or directory";
    case FileError::Exists:
        return "file exists";
    case FileError::Access:
        return "permission denied";
    case FileError::IsDirectory:
        return "is a directory";
    case FileError::NoSpace:
        return "no space left";
    case FileError::Busy:
        return "locked by someone else";
    case FileError::TooManyOpen:
        return "too many open files";
    case FileError::Invalid:
        return "invalid argument";
    case FileError::Other:
        break;
    }
    return "input/output error";
}

int openFile(const char* path, int flags, FileError* error)
{
    if (!path || !*path) {
        setError(error, FileError::Invalid);
        return -1;
    }
    int fd;
    do {
        fd = ::open(path, systemFlags(flags), 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        fail(error);
        return -1;
    }
    // open() happily gives a read-only descriptor of a directory; a file stream wants a file.
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        setError(error, FileError::IsDirectory);
        return -1;
    }
    setError(error, FileError::None);
    return fd;
}

void closeFile(int fd)
{
    if (fd >= 0)
        ::close(fd);  // not retried on EINTR: the descriptor is gone either way on Linux
}

int64_t readFile(int fd, void* buffer, int64_t size, FileError* error)
{
    if (fd < 0 || (!buffer && size > 0) || size < 0) {
        setError(error, FileError::Invalid);
        return -1;
    }
    ssize_t n;
    do {
        n = ::read(fd, buffer, static_cast<size_t>(size));
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        fail(error);
        return -1;
    }
    setError(error, FileError::None);
    return static_cast<int64_t>(n);
}

int64_t writeFile(int fd, const void* buffer, int64_t size, FileError* error)
{
    if (fd < 0 || (!buffer && size > 0) || size < 0) {
        setError(error, FileError::Invalid);
        return -1;
    }
    const char* p = static_cast<const char*>(buffer);
    int64_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, p + done, static_cast<size_t>(size - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(error);
            return -1;
        }
        if (n == 0) {
            setError(error, FileError::NoSpace);
            return -1;
        }
        done += n;
    }
    setError(error, FileError::None);
    return done;
}

int64_t seekFile(int fd, int64_t offset, int origin, FileError* error)
{
    const off_t pos = ::lseek(fd, static_cast<off_t>(offset), origin);
    if (pos < 0) {
        fail(error);
        return -1;
    }
    setError(error, FileError::None);
    return static_cast<int64_t>(pos);
}

bool truncateFile(int fd, int64_t length, FileError* error)
{
    if (length < 0) {
        setError(error, FileError::Invalid);
        return false;
    }
    int rc;
    do {
        rc = ::ftruncate(fd, static_cast<off_t>(length));
    } while (rc != 0 && errno == EINTR);
    if (rc != 0)
        return fail(error);
    setError(error, FileError::None);
    return true;
}

bool syncFile(int fd, FileError* error)
{
    if (::fsync(fd) != 0 && errno != EINVAL)  // EINVAL: a pipe or the like, nothing to sync
        return fail(error);
    setError(error, FileError::None);
    return true;
}

bool statFile(int fd, FileStatus* out, FileError* error)
{
    struct stat st {};
    if (!out || ::fstat(fd, &st) != 0)
        return out ? fail(error) : (setError(error, FileError::Invalid), false);
    fillStatus(st, out);
    setError(error, FileError::None);
    return true;
}

bool statPath(const char* path, FileStatus* out, FileError* error)
{
    struct stat st {};
    if (!path || !out) {
        setError(error, FileError::Invalid);
        return false;
    }
    if (::stat(path, &st) != 0)
        return fail(error);
    fillStatus(st, out);
    setError(error, FileError::None);
    return true;
}

bool removeFile(const char* path, FileError* error)
{
    if (!path || !*path) {
        setError(error, FileError::Invalid);
        return false;
    }
    if (::unlink(path) != 0)
        return fail(error);
    setError(error, FileError::None);
    return true;
}

bool lockRegion(int fd, int64_t offset, int64_t length, FileError* error)
{
    return setLock(fd, F_WRLCK, offset, length, error);
}

bool unlockRegion(int fd, int64_t offset, int64_t length, FileError* error)
{
    return setLock(fd, F_UNLCK, offset, length, error);
}

}  // namespace qarvo::platform
