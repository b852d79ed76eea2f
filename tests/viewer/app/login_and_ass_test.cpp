// The settings dialog's "ログインに使うブラウザ" box and the "ASS で保存…" menu command.

#include <sqlite3.h>

#include <cstdlib>

#include "tests/viewer/app/app_harness.h"
#include "viewer/core/app/settings_dialog.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/window.h"

namespace apptest {
namespace {

namespace fs = std::filesystem;
namespace ui = qarvo::ui;

constexpr int kLoginBox = 1091;
constexpr int kCookieFile = 1092;

// A Chromium-family profile holding one plain cookie, so that the browser counts as found.
void makeChromiumProfile(const fs::path& folder)
{
    fs::create_directories(folder);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((folder / "Cookies").c_str(), &db), SQLITE_OK);
    sqlite3_exec(db,
                 "CREATE TABLE meta(key TEXT, value TEXT); INSERT INTO meta VALUES ('version', '18');"
                 "CREATE TABLE cookies(host_key TEXT, name TEXT, value TEXT, encrypted_value BLOB, path TEXT);",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

class LoginAndAss : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "PELMORA_COOKIES", "PELMORA_COOKIES_FROM_BROWSER"}) {
            const char* value = std::getenv(name);
            saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        setenv("HOME", m_dir.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_dir / "config").c_str(), 1);
        unsetenv("PELMORA_COOKIES");
        unsetenv("PELMORA_COOKIES_FROM_BROWSER");
    }
    void TearDown() override
    {
        for (const auto& [name, value] : saved)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        AppTest::TearDown();
    }

    WindowHandle openSettings()
    {
        ui::PostMessage(Main(), ui::WM_COMMAND, 40006, 0);
        WindowHandle dialog = 0;
        EXPECT_TRUE(WaitUntil([&] { return (dialog = pelmora::viewer::CurrentSettingsDialog()) != 0; }));
        return dialog;
    }
    void press(WindowHandle dialog, int button)
    {
        Click(dialog, button);
        EXPECT_TRUE(WaitUntil([] { return pelmora::viewer::CurrentSettingsDialog() == 0; }));
    }
    std::vector<C_WString> entries(WindowHandle dialog)
    {
        std::vector<C_WString> texts;
        const WindowHandle box = ui::GetDlgItem(dialog, kLoginBox);
        for (int i = 0; i < ui::ComboBox_GetCount(box); ++i)
            texts.push_back(ui::ComboBox_GetLBText(box, i));
        return texts;
    }
    void choose(WindowHandle dialog, int index)
    {
        ui::ComboBox_SetCurSel(ui::GetDlgItem(dialog, kLoginBox), index);
        Click(dialog, kLoginBox, ui::CBN_SELCHANGE);
    }

    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

TEST_F(LoginAndAss, BrowserChoiceIsStoredAndHandedToTheEngine)
{
    makeChromiumProfile(m_dir / "config" / "google-chrome" / "Default");
    makeChromiumProfile(m_dir / "config" / "google-chrome" / "Profile 1");
    makeChromiumProfile(m_dir / ".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser/Default");
    C_App app;
    RunApp(app, [&] {
        WindowHandle dialog = openSettings();
        EXPECT_EQ(entries(dialog), (std::vector<C_WString>{C_WString(u"自動"), C_WString(u"Google Chrome"),
                                                           C_WString(u"Google Chrome: Default"),
                                                           C_WString(u"Google Chrome: Profile 1"), C_WString(u"Brave"),
                                                           C_WString(u"cookies.txt…")}));
        EXPECT_EQ(ui::ComboBox_GetCurSel(ui::GetDlgItem(dialog, kLoginBox)), 0);
        EXPECT_FALSE(ui::IsWindowEnabled(ui::GetDlgItem(dialog, kCookieFile)));
        choose(dialog, 3);
        press(dialog, ui::IDOK);
        EXPECT_EQ(SettingText("cookie_browser"), C_WString(u"chrome:Profile 1"));
        EXPECT_STREQ(std::getenv("PELMORA_COOKIES_FROM_BROWSER"), "chrome:Profile 1");

        // cookies.txt… asks for the file; cancelled without one, the choice stays as it was.
        dialog = openSettings();
        EXPECT_EQ(ui::ComboBox_GetCurSel(ui::GetDlgItem(dialog, kLoginBox)), 3);
        choose(dialog, 5);
        EXPECT_EQ(ui::ComboBox_GetCurSel(ui::GetDlgItem(dialog, kLoginBox)), 3);
        m_desktop.SetFileChoiceAnswer(Wide((m_dir / "cookies.txt").string()));
        choose(dialog, 5);
        EXPECT_TRUE(ui::IsWindowEnabled(ui::GetDlgItem(dialog, kCookieFile)));
        press(dialog, ui::IDOK);
        EXPECT_EQ(m_desktop.FileChoices().size(), 2u);
        EXPECT_EQ(SettingText("cookie_browser"), C_WString(u"cookies.txt"));
        EXPECT_EQ(SettingText("cookie_file"), Wide((m_dir / "cookies.txt").string()));
        EXPECT_EQ(std::string(std::getenv("PELMORA_COOKIES")), (m_dir / "cookies.txt").string());
        EXPECT_STREQ(std::getenv("PELMORA_COOKIES_FROM_BROWSER"), "");

        // A browser no longer found keeps its place until another is chosen.
        fs::remove_all(m_dir / ".var");
        WriteSettings({{"cookie_browser", "brave"}});
        dialog = openSettings();
        EXPECT_EQ(ui::ComboBox_GetLBText(ui::GetDlgItem(dialog, kLoginBox), 4), C_WString(u"brave (見つかりません)"));
        EXPECT_EQ(ui::ComboBox_GetCurSel(ui::GetDlgItem(dialog, kLoginBox)), 4);
        press(dialog, ui::IDCANCEL);
    });
}

TEST_F(LoginAndAss, SelectedPageIsSavedAsAss)
{
    C_App app;
    app.SetRequestMode(C_WString(u"dumy_debug"));
    RunApp(app, [&] {
        // The history tab holds no comments.
        ui::PostMessage(Main(), ui::WM_COMMAND, 40012, 0);
        ASSERT_TRUE(WaitUntil([&] { return m_desktop.MessageBoxes().size() == 1; }));
        EXPECT_TRUE(m_desktop.FileChoices().empty());

        PressFetch("sm9");
        ASSERT_TRUE(WaitForComments("sm9", 1000));
        app.SelectTab(TabCount() - 1);
        const WindowHandle pageWindow = Page("sm9")->window;
        ASSERT_TRUE(WaitUntil([&] { return ui::IsWindowVisible(pageWindow); }));
        const fs::path file = m_dir / "saved.ass";
        m_desktop.SetFileChoiceAnswer(Wide(file.string()));
        ui::PostMessage(Main(), ui::WM_COMMAND, 40012, 0);
        ASSERT_TRUE(WaitUntil([&] { return m_desktop.MessageBoxes().size() >= 2; }));
        ASSERT_EQ(m_desktop.FileChoices().size(), 1u);
        EXPECT_EQ(m_desktop.FileChoices()[0].mode, ui::FileChoice::Mode::Save);
        const std::string text = ReadFile(file);
        EXPECT_EQ(text.find("[Script Info]\r\n"), 0u);
        size_t events = 0;
        for (size_t at = text.find("\r\nDialogue: "); at != std::string::npos; at = text.find("\r\nDialogue: ", at + 1))
            ++events;
        EXPECT_GT(events, 0u);
        EXPECT_NE(Utf8(m_desktop.MessageBoxes().back().text).find(std::to_string(events) + " 件"), std::string::npos)
            << Utf8(m_desktop.MessageBoxes().back().text);
    });
}

}  // namespace
}  // namespace apptest
