#include "qarvo/platform/dir.h"

#include "qarvo/platform/posix/file_error.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qarvo::platform {

namespace {

bool fail(FileError* out)
{
    if (out)
        *out = fileErrorFromErrno(errno);
    return false;
}

bool succeed(FileError* out)
{
    if (out)
        *out = FileError::None;
    return true;
}

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

}  // namespace

bool createDirectory(const char* path, int mode, FileError* error)
{
    if (!path || !*path) {
        if (error)
            *error = FileError::Invalid;
        return false;
    }
    if (::mkdir(path, static_cast<mode_t>(mode)) != 0)
        return fail(error);
    return succeed(error);
}

bool removeDirectory(const char* path, FileError* error)
{
    if (!path || !*path) {
        if (error)
            *error = FileError::Invalid;
        return false;
    }
    if (::rmdir(path) != 0)
        return fail(error);
    return succeed(error);
}

bool isEnterableDirectory(const char* path)
{
    struct stat st {};
    return path && *path && ::stat(path, &st) == 0 && S_ISDIR(st.st_mode) && ::access(path, X_OK) == 0;
}

bool pathExists(const char* path)
{
    struct stat st {};
    return path && *path && ::stat(path, &st) == 0;
}

bool listDirectory(const char* path, const std::function<void(const DirEntry&)>& visit, FileError* error)
{
    if (!path || !*path) {
        if (error)
            *error = FileError::Invalid;
        return false;
    }
    std::unique_ptr<DIR, DirCloser> dir(::opendir(path));
    if (!dir)
        return fail(error);
    const int dirFd = ::dirfd(dir.get());
    for (;;) {
        errno = 0;
        const dirent* ent = ::readdir(dir.get());
        if (!ent) {
            if (errno != 0)
                return fail(error);
            break;
        }
        DirEntry entry;
        entry.name = ent->d_name;
        struct stat st {};
        if (::fstatat(dirFd, ent->d_name, &st, 0) == 0) {
            entry.status.size = static_cast<int64_t>(st.st_size);
            entry.status.changeTime = static_cast<int64_t>(st.st_ctime);
            entry.status.accessTime = static_cast<int64_t>(st.st_atime);
            entry.status.writeTime = static_cast<int64_t>(st.st_mtime);
            entry.status.isDirectory = S_ISDIR(st.st_mode);
            entry.status.isWritable = (st.st_mode & S_IWUSR) != 0;
        } else {
            // A dangling link or an entry removed meanwhile: still listed, as the system did.
            entry.status.isDirectory = ent->d_type == DT_DIR;
        }
        visit(entry);
    }
    return succeed(error);
}

bool matchName(const char* pattern, const char* name)
{
    if (!pattern || !name)
        return false;
    return ::fnmatch(pattern, name, FNM_NOESCAPE) == 0;
}

std::string currentDirectory()
{
    std::vector<char> buffer(4096);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()))
            return std::string(buffer.data());
        if (errno != ERANGE || buffer.size() >= (1u << 20))
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

std::string executablePath()
{
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return std::string();
        if (static_cast<size_t>(n) < buffer.size())
            return std::string(buffer.data(), static_cast<size_t>(n));
        if (buffer.size() >= (1u << 20))
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace qarvo::platform
