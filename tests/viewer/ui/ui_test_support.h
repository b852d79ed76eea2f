#pragma once
// One QApplication per test binary (offscreen), a fixture that leaves no window behind, and
// small helpers to wait for the GUI thread.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "viewer/ui/desktop.h"
#include "viewer/ui/dialog.h"
#include "viewer/ui/types.h"

namespace uitest {

using namespace qarvo::ui;

// Runs the GUI thread's events until pred holds; false after timeoutMs (generous: the test
// machine may be loaded).
bool PumpUntil(const std::function<bool()>& pred, int timeoutMs = 10000);
// Runs the queued events once.
void Pump();

// The widget behind a handle (tests look at the Qt side directly).
QWidget* WidgetOf(WindowHandle handle);

// Records every message a dialog procedure receives.
struct MessageLog {
    struct Entry {
        WindowHandle window;
        unsigned message;
        WParam wParam;
        LParam lParam;
    };
    std::vector<Entry> entries;
    // Answer of the procedure per message (0 when not listed).
    std::function<LResult(WindowHandle, unsigned, WParam, LParam)> answer;

    WindowProcedure Procedure();
    std::vector<Entry> Of(unsigned message) const;
    // WM_COMMAND ids in order.
    std::vector<int> Commands() const;
};

// A temporary folder removed at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

class UiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A log that lives until the windows are gone (they get WM_DESTROY in TearDown).
    MessageLog& NewLog() { return m_logs.emplace_back(); }

    C_DesktopRecorder desktop;

private:
    std::deque<MessageLog> m_logs;
};

}  // namespace uitest
