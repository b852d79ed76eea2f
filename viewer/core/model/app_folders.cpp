#include "viewer/core/model/app_folders.h"

#include <mutex>

#include "qarvo/file/path.h"
#include "qarvo/file/path_encoding.h"
#include "qarvo/platform/user_folders.h"

namespace pelmora::viewer {

using qarvo::C_WString;

namespace {

std::mutex g_lock;
AppFolders g_folders;  // guarded by g_lock

// Folders the user has not made yet (a fresh account has no ~/.local/share) are made here,
// private to the user as the base-directory rules ask for their roots.
bool createTree(const C_WString& path)
{
    if (path.IsEmpty() || qarvo::qarvo_DirectoryExists(path))
        return true;
    const C_WString parent = qarvo::qarvo_GetParentPath(path);
    if (!parent.IsEmpty() && parent != path && !createTree(parent))
        return false;
    qarvo::qarvo_CreateDirectory(path, 0700);
    return qarvo::qarvo_DirectoryExists(path);
}

}  // namespace

C_WString AppFolders::ListFile(const char16_t* name) const
{
    return C_WString::Stringf(u"%s/%s", listFolder.c_str(), name);
}

bool AppFolders::Create() const
{
    bool made = createTree(outFolder);
    made = createTree(listFolder) && made;
    return createTree(qarvo::qarvo_GetParentPath(settingsFile)) && made;
}

AppFolders ChooseAppFolders(const C_WString& currentFolder, const C_WString& configHome, const C_WString& dataHome)
{
    AppFolders folders;
    folders.shownFolder = currentFolder;
    if (qarvo::qarvo_FileExists(qarvo::qarvo_JoinPath(currentFolder, C_WString(u"init.ini"))) || configHome.IsEmpty() ||
        dataHome.IsEmpty())
        return folders;
    const C_WString data = qarvo::qarvo_JoinPath(dataHome, C_WString(kAppFolderName));
    folders.portable = false;
    folders.settingsFile = qarvo::qarvo_JoinPath(qarvo::qarvo_JoinPath(configHome, C_WString(kAppFolderName)),
                                                 C_WString(u"init.ini"));
    folders.outFolder = qarvo::qarvo_JoinPath(data, C_WString(u"out"));
    folders.listFolder = qarvo::qarvo_JoinPath(data, C_WString(u"list"));
    folders.shownFolder = data;
    return folders;
}

AppFolders ChooseAppFoldersFromEnvironment()
{
    return ChooseAppFolders(qarvo::qarvo_GetCurrentDirectory(), qarvo::PathFromUtf8(qarvo::platform::userConfigFolder()),
                            qarvo::PathFromUtf8(qarvo::platform::userDataFolder()));
}

AppFolders Folders()
{
    std::lock_guard<std::mutex> lock(g_lock);
    return g_folders;
}

void UseFolders(const AppFolders& folders)
{
    std::lock_guard<std::mutex> lock(g_lock);
    g_folders = folders;
}

}  // namespace pelmora::viewer
