// Start-up and shutdown of the whole application: defaults, the address box, the single
// instance, the fetch at start-up, the settings dialog.

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>

#include "qarvo/file/path.h"
#include "tests/viewer/app/app_harness.h"
#include "viewer/core/app/settings_dialog.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/window.h"

namespace apptest {
namespace {

namespace fs = std::filesystem;
namespace ui = qarvo::ui;

using StartUp = AppTest;

TEST_F(StartUp, FreshStartWritesDefaultsAndShowsWatchPrefix)
{
    C_App app;
    const int result = RunApp(app, [&] {
        EXPECT_EQ(ui::GetDlgItemText(Main(), 1001), C_WString(u"http://www.nicovideo.jp/watch/"));
        EXPECT_EQ(TabCount(), 1);
        EXPECT_EQ(TabText(0), C_WString(u"最近見た動画"));
        EXPECT_TRUE(fs::is_directory("out"));
        EXPECT_TRUE(fs::is_directory("list"));
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(SettingInt("getcomment_space_time"), 30);
    EXPECT_EQ(SettingInt("getcomment_space_time_live"), 1);
    EXPECT_EQ(SettingInt("gettag_space_time"), 20);
    EXPECT_EQ(SettingInt("url_list"), 1);
    EXPECT_EQ(SettingInt("get_tag"), 1);
    // Nothing was fetched, so there is no address to remember.
    EXPECT_EQ(SettingInt("last_url"), -1);
}

TEST_F(StartUp, MenuCommandsOpenAddressesAndEscapeCloses)
{
    C_App app;
    const int result = RunApp(app, [&] {
        const C_WString folder = qarvo::qarvo_GetCurrentDirectory();
        ui::SetDlgItemText(Main(), 1001, C_WString(u"sm9"));
        Click(Main(), 40010);
        ui::SetDlgItemText(Main(), 1001, C_WString(u"http://live.nicovideo.jp/watch/lv1"));
        Click(Main(), 40010);
        ui::SetDlgItemText(Main(), 1001, C_WString());
        Click(Main(), 40010);  // an empty box opens nothing
        Click(Main(), 40004);
        Click(Main(), 40008);
        // No history.txt in this portable folder: the release notes of the build, under the
        // prefix of the program's folder, as an installation keeps them.
        const C_WString notes =
            qarvo::qarvo_GetParentPath(qarvo::qarvo_GetExecutableDirectory()) + u"/share/pelmoravista/history.txt";
        std::ofstream("history.txt") << "this folder's own notes";
        Click(Main(), 40008);
        EXPECT_EQ(m_desktop.OpenedAddresses(),
                  (std::vector<C_WString>{C_WString(u"http://www.nicovideo.jp/watch/sm9"),
                                          C_WString(u"http://live.nicovideo.jp/watch/lv1"), folder + u"/", notes,
                                          folder + u"/history.txt"}));
        Click(Main(), ui::IDCANCEL);
        EXPECT_TRUE(WaitUntil([&] { return !ui::IsWindow(Main()); }));
    });
    EXPECT_EQ(result, 0);
}

// A second start no longer ends in silence: it brings the window forward, hands over the
// address of its command line, which is fetched, and ends with 0.
TEST_F(StartUp, SecondStartBringsTheWindowForwardWithItsAddress)
{
    const std::string program = Utf8(qarvo::qarvo_GetExecutableDirectory()) + "/PelmoraVista";
    ASSERT_TRUE(fs::exists(program)) << program;
    C_App app;
    app.SetRequestMode(C_WString(u"dumy_debug"));
    int status = 0;
    RunApp(app, [&] {
        ui::ShowWindow(Main(), ui::SW_MINIMIZE);
        EXPECT_TRUE(WaitUntil([&] { return ui::IsIconic(Main()); }));
        status = std::system(("\"" + program + "\" sm9 >/dev/null 2>&1").c_str());
        EXPECT_TRUE(WaitForComments("sm9", 1));
        EXPECT_FALSE(ui::IsIconic(Main()));
        EXPECT_EQ(TabText(1), C_WString(u"sm9"));
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(m_desktop.MessageBoxes().empty());
}

TEST_F(StartUp, LastAddressSelectsItsHistoryEntryAndIsFetchedAtStart)
{
    WriteSettings({{"last_url", "http://www.nicovideo.jp/watch/sm9"}, {"get_startup", "1"}, {"factory_comment", "0"}});
    fs::create_directories("list");
    std::ofstream("list/list.txt", std::ios::binary) << "sm12 別の動画\r\nsm9 デモ動画\r\n";
    C_App app;
    app.SetRequestMode(C_WString(u"dumy_debug"));
    RunApp(app, [&] {
        const WindowHandle box = ui::GetDlgItem(Main(), 1001);
        EXPECT_EQ(ui::ComboBox_GetCount(box), 2);
        EXPECT_EQ(ui::ComboBox_GetLBText(box, ui::ComboBox_GetCurSel(box)), C_WString(u"sm9 デモ動画"));
        EXPECT_TRUE(WaitForComments("sm9", 1000));
        EXPECT_EQ(app.currentAddress().IsEmpty(), false);
    });
    // The identifier of the last fetch is written back at exit.
    EXPECT_EQ(SettingText("last_url"), C_WString(u"sm9"));
    // A known entry is not added again.
    EXPECT_EQ(ReadFile("list/list.txt"), "sm12 別の動画\r\nsm9 デモ動画\r\n");
}

// The settings dialog replaces intervals outside its bounds by fixed fallbacks.
TEST_F(StartUp, SettingsDialogBoundsAndCancel)
{
    C_App app;
    RunApp(app, [&] {
        auto openDialog = [&] {
            ui::PostMessage(Main(), ui::WM_COMMAND, 40006, 0);
            WindowHandle dialog = 0;
            EXPECT_TRUE(WaitUntil([&] { return (dialog = pelmora::viewer::CurrentSettingsDialog()) != 0; }));
            return dialog;
        };
        auto enter = [&](const char* comment, const char* live, const char* tag) {
            const WindowHandle dialog = openDialog();
            ui::SetDlgItemText(dialog, 1078, Wide(comment));
            ui::SetDlgItemText(dialog, 1081, Wide(live));
            ui::SetDlgItemText(dialog, 1079, Wide(tag));
            Click(dialog, ui::IDOK);
            EXPECT_TRUE(WaitUntil([] { return pelmora::viewer::CurrentSettingsDialog() == 0; }));
            return std::vector<int>{SettingInt("getcomment_space_time"), SettingInt("getcomment_space_time_live"),
                                    SettingInt("gettag_space_time")};
        };

        // On the fresh file, missing keys tick "save comments", "refetch tags" and "refetch
        // comments" but not "fetch at start" and "save XML".
        const WindowHandle dialog = openDialog();
        auto checked = [&](int id) { return ui::Button_GetCheck(ui::GetDlgItem(dialog, id)) == ui::BST_CHECKED; };
        EXPECT_TRUE(checked(1058));
        EXPECT_TRUE(checked(1003));
        EXPECT_TRUE(checked(1077));
        EXPECT_FALSE(checked(1057));
        EXPECT_FALSE(checked(1059));
        EXPECT_EQ(ui::GetDlgItemText(dialog, 1079), C_WString(u"20"));
        Click(dialog, ui::IDCANCEL);
        EXPECT_TRUE(WaitUntil([] { return pelmora::viewer::CurrentSettingsDialog() == 0; }));

        EXPECT_EQ(enter("7", "0", "4"), (std::vector<int>{30, 1, 10}));
        EXPECT_EQ(SettingInt("factory_comment"), 1);
        EXPECT_EQ(SettingInt("get_startup"), 0);
        EXPECT_EQ(enter("8", "11", "5"), (std::vector<int>{8, 1, 5}));
        EXPECT_EQ(enter("86401", "10", "86401"), (std::vector<int>{30, 10, 10}));
        EXPECT_EQ(enter("86400", "", "abc"), (std::vector<int>{86400, 1, 10}));

        // Cancel after changes leaves the file as it was.
        const std::string before = ReadFile("init.ini");
        const WindowHandle again = openDialog();
        ui::SetDlgItemText(again, 1078, C_WString(u"100"));
        ui::Button_SetCheck(ui::GetDlgItem(again, 1057), ui::BST_CHECKED);
        Click(again, ui::IDCANCEL);
        EXPECT_TRUE(WaitUntil([] { return pelmora::viewer::CurrentSettingsDialog() == 0; }));
        EXPECT_EQ(ReadFile("init.ini"), before);
    });
}

}  // namespace
}  // namespace apptest
