#pragma once
// The file-system helpers every cookie store reader shares: the environment, the user's
// folders, and small listings and reads, all over the class library's file functions (paths
// are UTF-8 here).

#include <cstdint>
#include <string>
#include <vector>

#include "qarvo/text/string.h"

namespace pelmora::cookie {

// The variable's value; empty when unset.
std::string environment(const char* name);
qarvo::C_WString widePath(const std::string& utf8);

// $HOME (else the account's home); empty when neither gives one.
std::string homeFolder();
// $XDG_CONFIG_HOME, else ~/.config; empty without a home.
std::string configFolder();

bool fileExists(const std::string& path);
bool folderExists(const std::string& path);
// The size of a regular file; -1 when it cannot be read.
int64_t fileSize(const std::string& path);

struct FolderEntry {
    std::string name;
    bool isFolder = false;
    int64_t writeTime = 0;  // seconds since 1970
};
// Every entry of `folder` (dangling links included, "." and ".." not) whose name matches the
// shell pattern; empty when the folder cannot be listed.
std::vector<FolderEntry> listFolder(const std::string& folder, const char* pattern = "*");

// The whole file when it is no larger than `limit`; false otherwise or when unreadable.
bool readWholeFile(const std::string& path, int64_t limit, std::string& text);

}  // namespace pelmora::cookie
