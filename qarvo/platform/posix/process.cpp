// Programs started with posix_spawn, which is safe in a process with threads (a fork would
// copy every lock another thread holds).

#include "qarvo/platform/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace qarvo::platform {

std::string findProgram(const std::string& name)
{
    const char* path = std::getenv("PATH");
    if (name.empty() || name.find('/') != std::string::npos || !path)
        return std::string();
    const std::string folders(path);
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        const std::string folder = folders.substr(start, end - start);
        // An empty entry would mean the current folder: never looked at for a program.
        if (!folder.empty() && folder[0] == '/') {
            const std::string candidate = folder + "/" + name;
            struct stat info;
            if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        start = end + 1;
    }
    return std::string();
}

long startProgram(const std::vector<std::string>& argv, std::string* error)
{
    if (argv.empty() || argv[0].empty() || argv[0][0] != '/') {
        if (error)
            *error = "no program named by a full path";
        return -1;
    }
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&files);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    const int result = posix_spawn(&pid, argv[0].c_str(), &files, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
    if (result != 0) {
        if (error)
            *error = "cannot start " + argv[0] + ": " + std::strerror(result);
        return -1;
    }
    return pid;
}

std::optional<int> programExitStatus(long pid)
{
    if (pid <= 0)
        return std::nullopt;
    int status = 0;
    pid_t done;
    do
        done = waitpid(static_cast<pid_t>(pid), &status, WNOHANG);
    while (done < 0 && errno == EINTR);
    if (done == 0)
        return std::nullopt;
    if (done < 0)
        return 127;  // not ours, or already collected: nothing more will come of it
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return std::nullopt;
}

}  // namespace qarvo::platform
