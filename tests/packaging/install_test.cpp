// The tree `cmake --install` makes, checked as a packager and a user meet it: the files in
// their places, the desktop entry and the AppStream data clean for their validators, and the
// installed programs working from the prefix alone (no build folder, no dll/ beside them).

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/engine/sim_support/sim_env.h"

namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The exit status of a shell command; what it printed in *output.
int shell(const std::string& command, std::string* output)
{
    const fs::path log = fs::temp_directory_path() / ("pelmora-install-" + std::to_string(::getpid()) + ".log");
    const int status = std::system((command + " > '" + log.string() + "' 2>&1").c_str());
    if (output)
        *output = slurp(log);
    fs::remove(log);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool onPath(const std::string& program)
{
    return shell("command -v " + program, nullptr) == 0;
}

class InstalledTree : public pelmora::test::SimEnvTest {
protected:
    // One installation for every test of the binary.
    static void SetUpTestSuite()
    {
        s_prefix = new pelmora::test::TempFolder();
        s_installed = shell("'" PELMORA_CMAKE_COMMAND "' --install '" PELMORA_BUILD_DIR "' --prefix '" +
                                s_prefix->path().string() + "'",
                            &s_installLog) == 0;
    }
    static void TearDownTestSuite()
    {
        delete s_prefix;
        s_prefix = nullptr;
    }
    void SetUp() override
    {
        SimEnvTest::SetUp();
        ASSERT_TRUE(s_installed) << s_installLog;
    }
    static fs::path prefix() { return s_prefix->path(); }

    static pelmora::test::TempFolder* s_prefix;
    static bool s_installed;
    static std::string s_installLog;
};

pelmora::test::TempFolder* InstalledTree::s_prefix = nullptr;
bool InstalledTree::s_installed = false;
std::string InstalledTree::s_installLog;

constexpr const char* kAppId = "org.pelmora.PelmoraVista";

TEST_F(InstalledTree, HoldsTheProgramsTheEngineAndTheDesktopFiles)
{
    const std::string id = kAppId;
    for (const std::string& file :
         {std::string("bin/PelmoraVista"), std::string("bin/pelmora-cli"), std::string("lib/pelmora/libPelmora2.so"),
          "share/applications/" + id + ".desktop", "share/icons/hicolor/scalable/apps/" + id + ".svg",
          "share/metainfo/" + id + ".metainfo.xml", std::string("share/pelmoravista/history.txt"),
          std::string("share/man/man1/pelmora-cli.1.gz")})
        EXPECT_TRUE(fs::is_regular_file(prefix() / file)) << file;
    for (const char* program : {"bin/PelmoraVista", "bin/pelmora-cli"})
        EXPECT_EQ(::access((prefix() / program).c_str(), X_OK), 0) << program;
    // The menu hands the address a browser gives it to the program.
    EXPECT_NE(slurp(prefix() / ("share/applications/" + id + ".desktop")).find("\nExec=PelmoraVista %u\n"),
              std::string::npos);
    // The release notes are the project's changelog, not a placeholder.
    const std::string notes = slurp(prefix() / "share/pelmoravista/history.txt");
    EXPECT_EQ(notes.rfind("PelmoraVista 更新履歴", 0), 0u);
    EXPECT_NE(notes.find("0.19"), std::string::npos);
    std::string output;
    EXPECT_EQ(shell("gzip -t '" + (prefix() / "share/man/man1/pelmora-cli.1.gz").string() + "'", &output), 0) << output;
}

TEST_F(InstalledTree, DesktopEntryAndMetainfoPassTheirValidators)
{
    const std::string id = kAppId;
    bool ran = false;
    std::string output;
    if (onPath("desktop-file-validate")) {
        ran = true;
        EXPECT_EQ(shell("desktop-file-validate '" + (prefix() / ("share/applications/" + id + ".desktop")).string() + "'",
                        &output),
                  0)
            << output;
        EXPECT_EQ(output, "") << "hints or warnings";
    }
    if (onPath("appstreamcli")) {
        ran = true;
        EXPECT_EQ(shell("appstreamcli validate --no-net '" +
                            (prefix() / ("share/metainfo/" + id + ".metainfo.xml")).string() + "'",
                        &output),
                  0)
            << output;
    }
    if (!ran)
        GTEST_SKIP() << "desktop-file-validate and appstreamcli are not installed (scripts/setup-deps installs them)";
}

TEST_F(InstalledTree, InstalledCliFetchesFromNicosimWithTheEngineOfThePrefix)
{
    installLoginCookieFolder();
    // The current folder holds no dll/ and the program's folder none either: the engine can
    // only come from lib/pelmora under the prefix.
    std::string output;
    const int status = shell("cd '" + home->path().string() + "' && '" + (prefix() / "bin/pelmora-cli").string() +
                                 "' fetch http://www.nicovideo.jp/watch/sm9 -n 3",
                             &output);
    EXPECT_EQ(status, 0) << output;
    // The newest three of sm9's 2,000 comments (a text may run over several lines).
    for (const char* number : {" 1998 ", " 1999 ", " 2000 "})
        EXPECT_NE(output.find(number), std::string::npos) << output;
}

// Started from the menu, in the home folder without an init.ini: the viewer keeps its files
// in the user's folders and opens the installed release notes.
TEST_F(InstalledTree, InstalledViewerUsesTheUsersFoldersAndItsReleaseNotes)
{
    const fs::path runtime = home->path() / "runtime";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    const fs::path out = home->path() / "script-out";
    std::ofstream(home->path() / "script.txt") << "menu 40008\nmenu 40004\n";
    env.Set("XDG_RUNTIME_DIR", runtime.string());
    env.Set("QT_QPA_PLATFORM", "offscreen");
    env.Set("PELMORA_SCRIPT", (home->path() / "script.txt").string());
    env.Set("PELMORA_SCRIPT_OUT", out.string());
    std::string output;
    const int status =
        shell("cd '" + home->path().string() + "' && timeout 90 '" + (prefix() / "bin/PelmoraVista").string() + "'",
              &output);
    EXPECT_EQ(status, 0) << output;
    const std::string desktop = slurp(out / "desktop.jsonl");
    EXPECT_NE(desktop.find("\"address\":\"" + (prefix() / "share/pelmoravista/history.txt").string() + "\""),
              std::string::npos)
        << desktop;
    EXPECT_NE(desktop.find("\"address\":\"" + (home->path() / "data/PelmoraVista").string() + "/\""),
              std::string::npos)
        << desktop;
    EXPECT_TRUE(fs::is_regular_file(home->path() / "config/PelmoraVista/init.ini"));
    EXPECT_TRUE(fs::is_directory(home->path() / "data/PelmoraVista/out"));
    EXPECT_TRUE(fs::is_directory(home->path() / "data/PelmoraVista/list"));
    EXPECT_FALSE(fs::exists(home->path() / "init.ini"));
    EXPECT_FALSE(fs::exists(home->path() / "out"));
}

}  // namespace
