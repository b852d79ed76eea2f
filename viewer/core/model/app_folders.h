#pragma once
// Where the viewer keeps its files. A current folder that holds an init.ini is a portable
// installation (a folder carried around, the demo's folder): everything stays in it, with the
// relative names it always had. Otherwise the settings go to the user's configuration folder
// and the comment files and lists to the user's data folder, so that a start from the desktop
// menu (in the home folder) does not fill the home folder.

#include "qarvo/text/string.h"

namespace pelmora::viewer {

inline constexpr const char16_t* kAppFolderName = u"PelmoraVista";

struct AppFolders {
    bool portable = true;
    qarvo::C_WString settingsFile{u"init.ini"};
    qarvo::C_WString outFolder{u"out"};    // the comment files
    qarvo::C_WString listFolder{u"list"};  // list.txt, ng.txt
    // What "ディレクトリを開く" opens: the portable folder, or the data folder.
    qarvo::C_WString shownFolder;

    qarvo::C_WString ListFile(const char16_t* name) const;
    // Makes every folder that is missing, with its parents; false when one cannot be made.
    bool Create() const;
};

// `currentFolder` is absolute; `configHome` and `dataHome` are the user's folders (empty when
// none is known: the current folder serves after all).
AppFolders ChooseAppFolders(const qarvo::C_WString& currentFolder, const qarvo::C_WString& configHome,
                            const qarvo::C_WString& dataHome);
// The same from the current folder and the environment ($XDG_CONFIG_HOME, $XDG_DATA_HOME,
// $HOME).
AppFolders ChooseAppFoldersFromEnvironment();

// The folders of this process, chosen by the application at its start (the portable ones until
// then). Any thread.
AppFolders Folders();
void UseFolders(const AppFolders& folders);
inline qarvo::C_WString SettingsFile()
{
    return Folders().settingsFile;
}

}  // namespace pelmora::viewer
