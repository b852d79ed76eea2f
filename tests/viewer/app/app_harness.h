#pragma once
// Runs the whole viewer in a test: a temporary working folder per test (the application uses
// relative paths), the desktop recorded instead of shown, the application's loop on the test's
// own thread (the GUI thread) and the test's script on a driver thread that reaches the
// windows only through the window layer's thread-safe calls.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "qarvo/text/string.h"
#include "viewer/core/app/app.h"
#include "viewer/ui/desktop.h"

namespace apptest {

using pelmora::viewer::C_App;
using qarvo::C_String;
using qarvo::C_WString;
using qarvo::ui::WindowHandle;

// Polls pred every 20 ms; false after timeoutMs (generous: the machine may be loaded).
bool WaitUntil(const std::function<bool()>& pred, int timeoutMs = 30000);

std::string Utf8(const C_WString& text);
C_WString Wide(const std::string& utf8);
// The bytes of a file, empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);
// Files of a folder whose names end with `suffix`.
std::vector<std::filesystem::path> FilesEndingWith(const std::filesystem::path& dir, const std::string& suffix);
// The names of this process's threads (from /proc/self/task).
std::vector<std::string> ThreadNames();

class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs app until its window closes. `script` runs on a driver thread once the main window
    // is set up; when it returns, the window is closed the normal way. Returns Run()'s result.
    int RunApp(C_App& app, const std::function<void()>& script);

    // Settings written before the application starts (UTF-16 INI file).
    void WriteSettings(const std::map<std::string, std::string>& values);
    // A setting of the INI file; -1 when absent.
    int SettingInt(const std::string& key);
    C_WString SettingText(const std::string& key);

    // --- driver-thread helpers ---
    WindowHandle Main() const { return m_app->GetHWnd(); }
    C_WString StatusText();
    // Types text into the address box and presses "取得".
    void PressFetch(const std::string& text);
    int TabCount();
    C_WString TabText(int index);
    // Waits until the page of `id` holds at least `count` comments and the batch that
    // brought them has been reported; the page's snapshot.
    std::optional<C_App::PageSnapshot> WaitForComments(const std::string& id, size_t count);
    std::optional<C_App::PageSnapshot> Page(const std::string& id);
    void Click(WindowHandle dialog, int id, unsigned code = 0);

    std::filesystem::path m_dir;
    std::filesystem::path m_previousDir;
    std::map<std::string, std::optional<std::string>> m_previousEnv;
    qarvo::ui::C_DesktopRecorder m_desktop;
    C_App* m_app = nullptr;
};

}  // namespace apptest
