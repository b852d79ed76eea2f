#include "qarvo/platform/user_folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace qarvo::platform {
namespace {

std::string absoluteVariable(const char* name)
{
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? std::string(value) : std::string();
}

std::string underHome(const char* relative)
{
    const std::string home = userHomeFolder();
    return home.empty() ? std::string() : home + relative;
}

}  // namespace

std::string userHomeFolder()
{
    std::string home = absoluteVariable("HOME");
    if (!home.empty())
        return home;
    // A service or a bare session may start us without HOME.
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/')
        home = found->pw_dir;
    return home;
}

std::string userConfigFolder()
{
    const std::string config = absoluteVariable("XDG_CONFIG_HOME");
    return config.empty() ? underHome("/.config") : config;
}

std::string userDataFolder()
{
    const std::string data = absoluteVariable("XDG_DATA_HOME");
    return data.empty() ? underHome("/.local/share") : data;
}

std::string userRuntimeFolder()
{
    const std::string runtime = absoluteVariable("XDG_RUNTIME_DIR");
    struct stat info;
    if (runtime.empty() || stat(runtime.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::string();
    return runtime;
}

}  // namespace qarvo::platform
