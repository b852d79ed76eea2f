#include "qarvo/file/path.h"

#include <string>

#include "qarvo/file/path_encoding.h"
#include "qarvo/platform/dir.h"

namespace qarvo {

namespace {

template <class Str>
int lastSeparator(const Str& path)
{
    using Char = typename Str::Char;
    const int slash = path.LastIndexOf(Char('/'));
    const int backslash = path.LastIndexOf(Char('\\'));
    return slash > backslash ? slash : backslash;
}

}  // namespace

C_WString qarvo_GetLastName(const C_WString& path)
{
    const int sep = lastSeparator(path);
    return sep < 0 ? path : path.SubString(sep + 1);
}

C_String qarvo_GetLastNameA(const C_String& path)
{
    const int sep = lastSeparator(path);
    return sep < 0 ? path : path.SubString(sep + 1);
}

C_WString qarvo_GetParentPath(const C_WString& path)
{
    const int sep = lastSeparator(path);
    if (sep < 0)
        return C_WString();
    if (sep == 0)
        return path.SubString(0, 0);
    return path.SubString(0, sep - 1);
}

C_WString qarvo_JoinPath(const C_WString& dir, const C_WString& name)
{
    if (dir.IsEmpty())
        return name;
    if (dir.EndsWith(u"/") || dir.EndsWith(u"\\"))
        return dir + name;
    return dir + u"/" + name;
}

int qarvo_CreateDirectory(const C_WString& path, int mode)
{
    std::string p;
    if (!PathToUtf8(path, &p))
        return 0;
    return platform::createDirectory(p.c_str(), mode, nullptr) ? 1 : 0;
}

int qarvo_RemoveDirectory(const C_WString& path)
{
    std::string p;
    if (!PathToUtf8(path, &p))
        return 0;
    return platform::removeDirectory(p.c_str(), nullptr) ? 1 : 0;
}

int qarvo_DeleteFile(const C_WString& path)
{
    std::string p;
    if (!PathToUtf8(path, &p))
        return 0;
    return platform::removeFile(p.c_str(), nullptr) ? 1 : 0;
}

bool qarvo_FileExists(const C_WString& path)
{
    std::string p;
    return PathToUtf8(path, &p) && platform::pathExists(p.c_str());
}

bool qarvo_DirectoryExists(const C_WString& path)
{
    std::string p;
    platform::FileStatus st;
    return PathToUtf8(path, &p) && platform::statPath(p.c_str(), &st, nullptr) && st.isDirectory;
}

C_WString qarvo_GetCurrentDirectory()
{
    return PathFromUtf8(platform::currentDirectory());
}

C_WString qarvo_GetExecutableDirectory()
{
    const C_WString exe = PathFromUtf8(platform::executablePath());
    return qarvo_GetParentPath(exe);
}

std::vector<std::string> qarvo_ProgramFileCandidates(const std::string& relative, const std::string& installed)
{
    std::vector<std::string> candidates{relative};
    const C_WString exeDir = qarvo_GetExecutableDirectory();
    std::string dir;
    if (exeDir.IsEmpty() || !PathToUtf8(exeDir, &dir))
        return candidates;
    candidates.push_back(dir + "/" + relative);
    if (!installed.empty()) {
        const size_t slash = dir.find_last_of('/');
        const std::string prefix = slash == std::string::npos ? std::string() : dir.substr(0, slash);
        candidates.push_back(prefix + "/" + installed);
    }
    return candidates;
}

}  // namespace qarvo
