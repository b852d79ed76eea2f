// The single-instance lock over flock(2).

#include "qarvo/platform/instance_lock.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "qarvo/file/path_encoding.h"
#include "qarvo/platform/user_folders.h"

namespace qarvo::platform {
namespace {

// The name with everything that could leave the folder or confuse a shell replaced by '_':
// ASCII other than letters, digits, '-', '_' and '.', and unpaired surrogates. Other
// characters stay, so a Japanese name keeps its own lock.
std::string safeName(const C_WString& name)
{
    C_WString cleaned;
    for (int i = 0; i < name.Length(); ++i) {
        const char16_t c = name[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        if (high && i + 1 < name.Length() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
            cleaned.AppendChar(c).AppendChar(name[i + 1]);
            ++i;
            continue;
        }
        const bool asciiSafe = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                               c == u'-' || c == u'_' || c == u'.';
        const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
        cleaned.AppendChar(c < 0x80 ? (asciiSafe ? c : u'_') : (surrogate ? u'_' : c));
    }
    std::string out;
    PathToUtf8(cleaned, &out);
    // "." and ".." would name folders, not files.
    if (out.empty() || out.find_first_not_of('.') == std::string::npos)
        out = "app" + out;
    return out;
}

// The lock file and the hand-over socket share the folder and the name.
C_String runtimePath(const C_WString& name, const char* suffix)
{
    const std::string file = safeName(name);
    const std::string runtime = userRuntimeFolder();
    if (!runtime.empty())
        return C_String(runtime + "/" + file + suffix);
    return C_String("/tmp/" + file + "-" + std::to_string(static_cast<unsigned long>(getuid())) + suffix);
}

}  // namespace

C_String C_InstanceLock::LockPath(const C_WString& name)
{
    return runtimePath(name, ".lock");
}

C_String C_InstanceLock::ChannelPath(const C_WString& name)
{
    return runtimePath(name, ".sock");
}

C_InstanceLock::Result C_InstanceLock::Acquire(const C_WString& name)
{
    Release();
    const C_String path = LockPath(name);
    // Not inherited by programs we start (a browser must not keep our lock), and never through
    // a symbolic link someone else planted in a shared folder.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        m_state = C_String("cannot open ") + path + ": " + std::strerror(errno);
        return Result::Failed;
    }
    m_fd = fd;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        m_held = true;
        m_state = C_String("held ") + path;
        return Result::Acquired;
    }
    const int error = errno;
    if (error == EWOULDBLOCK) {
        m_state = C_String("held elsewhere ") + path;
        return Result::HeldElsewhere;
    }
    m_state = C_String("cannot lock ") + path + ": " + std::strerror(error);
    close(fd);
    m_fd = -1;
    return Result::Failed;
}

void C_InstanceLock::Release()
{
    if (m_fd >= 0) {
        // Closing drops the lock; the file stays, so that the next start finds the same inode.
        close(m_fd);
        m_fd = -1;
    }
    m_held = false;
}

}  // namespace qarvo::platform
