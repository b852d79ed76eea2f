// Which folders the viewer keeps its files in: a portable folder when the current folder
// holds an init.ini, else the user's configuration and data folders.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "qarvo/charcode/system_charcode.h"
#include "viewer/core/model/app_folders.h"

using namespace pelmora::viewer;
using qarvo::C_WString;

namespace {

namespace fs = std::filesystem;

C_WString wide(const fs::path& path)
{
    return qarvo::common::System::utf8_to_utf16(qarvo::C_String(path.string()));
}

std::string narrow(const C_WString& text)
{
    return qarvo::common::System::utf16_to_utf8(text).std();
}

class AppFolderChoice : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = fs::temp_directory_path() / ("pv-folders-" + std::to_string(::getpid()));
        fs::remove_all(m_root);
        fs::create_directories(m_root / "work");
        m_previous = fs::current_path();
        fs::current_path(m_root / "work");
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
            const char* value = std::getenv(name);
            m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    void TearDown() override
    {
        for (const auto& [name, value] : m_saved)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        fs::current_path(m_previous);
        fs::remove_all(m_root);
    }

    fs::path m_root;
    fs::path m_previous;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

}  // namespace

TEST_F(AppFolderChoice, PortableFolderKeepsEverythingElseTheUsersFolders)
{
    setenv("HOME", (m_root / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (m_root / "cfg").c_str(), 1);
    setenv("XDG_DATA_HOME", (m_root / "data").c_str(), 1);

    // No init.ini here: the user's folders, and nothing is made in the current folder.
    AppFolders folders = ChooseAppFoldersFromEnvironment();
    EXPECT_FALSE(folders.portable);
    EXPECT_EQ(narrow(folders.settingsFile), (m_root / "cfg/PelmoraVista/init.ini").string());
    EXPECT_EQ(narrow(folders.outFolder), (m_root / "data/PelmoraVista/out").string());
    EXPECT_EQ(narrow(folders.ListFile(u"list.txt")), (m_root / "data/PelmoraVista/list/list.txt").string());
    EXPECT_EQ(narrow(folders.shownFolder), (m_root / "data/PelmoraVista").string());
    ASSERT_TRUE(folders.Create());
    EXPECT_TRUE(fs::is_directory(m_root / "cfg/PelmoraVista"));
    EXPECT_TRUE(fs::is_directory(m_root / "data/PelmoraVista/out"));
    EXPECT_TRUE(fs::is_directory(m_root / "data/PelmoraVista/list"));
    EXPECT_TRUE(fs::is_empty(m_root / "work"));

    // The variables unset (or relative, which the rules ignore): the folders under HOME.
    unsetenv("XDG_CONFIG_HOME");
    setenv("XDG_DATA_HOME", "relative/data", 1);
    folders = ChooseAppFoldersFromEnvironment();
    EXPECT_EQ(narrow(folders.settingsFile), (m_root / "home/.config/PelmoraVista/init.ini").string());
    EXPECT_EQ(narrow(folders.outFolder), (m_root / "home/.local/share/PelmoraVista/out").string());

    // An init.ini in the current folder: the relative names of old, and "ディレクトリを開く"
    // shows the current folder.
    std::ofstream(m_root / "work/init.ini").flush();
    folders = ChooseAppFoldersFromEnvironment();
    EXPECT_TRUE(folders.portable);
    EXPECT_EQ(folders.settingsFile, C_WString(u"init.ini"));
    EXPECT_EQ(folders.outFolder, C_WString(u"out"));
    EXPECT_EQ(folders.ListFile(u"ng.txt"), C_WString(u"list/ng.txt"));
    EXPECT_EQ(narrow(folders.shownFolder), fs::current_path().string());

    // Without any known home the current folder serves as before.
    fs::remove(m_root / "work/init.ini");
    folders = ChooseAppFolders(wide(m_root / "work"), C_WString(), C_WString());
    EXPECT_TRUE(folders.portable);
}
