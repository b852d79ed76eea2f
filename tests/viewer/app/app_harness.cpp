#include "tests/viewer/app/app_harness.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/ini/ini_file.h"
#include "tests/qarvo/support/clean_end.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/window.h"
#include "qarvo/net/connect_to.h"

namespace apptest {

namespace fs = std::filesystem;
namespace ui = qarvo::ui;
namespace System = qarvo::common::System;

bool WaitUntil(const std::function<bool()>& pred, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string Utf8(const C_WString& text)
{
    return System::utf16_to_utf8(text).std();
}

C_WString Wide(const std::string& utf8)
{
    return System::utf8_to_utf16(C_String(utf8));
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<fs::path> FilesEndingWith(const fs::path& dir, const std::string& suffix)
{
    std::vector<fs::path> out;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error))
        if (entry.path().filename().string().ends_with(suffix))
            out.push_back(entry.path());
    return out;
}

std::vector<std::string> ThreadNames()
{
    qarvo::test::startRuntimeHelpers();
    std::vector<std::string> names;
    std::error_code error;
    for (auto it = fs::directory_iterator("/proc/self/task", error); it != fs::directory_iterator(); ++it) {
        std::string name = ReadFile(it->path() / "comm");
        while (!name.empty() && name.back() == '\n')
            name.pop_back();
        names.push_back(name);
    }
    return names;
}

void AppTest::SetUp()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    m_previousDir = fs::current_path();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_dir = fs::temp_directory_path() /
            ("pv-app-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name());
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
    fs::permissions(m_dir, fs::perms::owner_all);
    fs::current_path(m_dir);
    // The single-instance lock lives in the runtime folder: one per test, so that tests (and
    // a viewer the developer runs) never meet.
    setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
    // An init.ini makes the folder a portable one, so every file stays in it; the user's own
    // folders point into it too, should a test leave the portable layout.
    std::ofstream(m_dir / "init.ini", std::ios::binary).flush();
    for (const auto& [name, folder] : {std::pair{"XDG_CONFIG_HOME", "xdg-config"}, std::pair{"XDG_DATA_HOME", "xdg-data"}}) {
        const char* previous = std::getenv(name);
        m_previousEnv[name] = previous ? std::optional<std::string>(previous) : std::nullopt;
        setenv(name, (m_dir / folder).c_str(), 1);
    }
    // Nothing leaves the machine: every connection (the video information request of a new
    // page, above all) goes to a closed loopback port unless a test starts its own service.
    setenv("PELMORA_CONNECT_TO", "::127.0.0.1:1", 1);
    qarvo::net::reloadConnectTo();
    ui::SetDesktop(&m_desktop);
}

void AppTest::TearDown()
{
    ui::SetDesktop(nullptr);
    unsetenv("PELMORA_CONNECT_TO");
    qarvo::net::reloadConnectTo();
    unsetenv("PELMORA_COOKIE_DIR");
    for (const auto& [name, value] : m_previousEnv) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    m_previousEnv.clear();
    fs::current_path(m_previousDir);
    std::error_code error;
    fs::remove_all(m_dir, error);
}

int AppTest::RunApp(C_App& app, const std::function<void()>& script)
{
    m_app = &app;
    std::thread driver([&] {
        const bool ready = WaitUntil([&] { return app.GetHWnd() != 0 && app.StatusBarWindow() != 0; });
        EXPECT_TRUE(ready) << "the main window was not set up";
        if (ready)
            script();
        if (app.GetHWnd())
            ui::PostMessage(app.GetHWnd(), ui::WM_CLOSE, 0, 0);
    });
    const int result = app.Run();
    // Run ends only after the window is gone, or at once when start-up fails; the driver
    // then finds nothing to wait for.
    driver.join();
    return result;
}

void AppTest::WriteSettings(const std::map<std::string, std::string>& values)
{
    qarvo::C_WIniFile ini(C_WString(u"init.ini"));
    for (const auto& [key, value] : values)
        ini.SetStr(Wide(key), Wide(value));
}

int AppTest::SettingInt(const std::string& key)
{
    qarvo::C_WIniFile ini(C_WString(u"init.ini"));
    return ini.GetInt(Wide(key));
}

C_WString AppTest::SettingText(const std::string& key)
{
    qarvo::C_WIniFile ini(C_WString(u"init.ini"));
    return ini.GetStr(Wide(key));
}

C_WString AppTest::StatusText()
{
    return ui::GetWindowText(m_app->StatusBarWindow());
}

void AppTest::PressFetch(const std::string& text)
{
    ui::SetDlgItemText(Main(), 1001, Wide(text));
    Click(Main(), 1);
}

void AppTest::Click(WindowHandle dialog, int id, unsigned code)
{
    ui::SendMessage(dialog, ui::WM_COMMAND, ui::MakeWParam(static_cast<unsigned>(id), code),
                    static_cast<ui::LParam>(ui::GetDlgItem(dialog, id)));
}

int AppTest::TabCount()
{
    return ui::TabCtrl_GetItemCount(m_app->TabStripWindow());
}

C_WString AppTest::TabText(int index)
{
    return ui::TabCtrl_GetItemText(m_app->TabStripWindow(), index);
}

std::optional<C_App::PageSnapshot> AppTest::Page(const std::string& id)
{
    return m_app->SnapshotPage(Wide(id));
}

std::optional<C_App::PageSnapshot> AppTest::WaitForComments(const std::string& id, size_t count)
{
    std::optional<C_App::PageSnapshot> page;
    // The batch is reported (status, address box, last address) after its comments are
    // stored; the last address is set at the very end.
    WaitUntil([&] {
        page = Page(id);
        return page && page->comments.size() >= count && m_app->LastAddress() == Wide(id);
    });
    return page;
}

}  // namespace apptest
