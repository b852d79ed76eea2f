#include "viewer/app/demo_mode.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/platform/environment.h"
#include "qarvo/time/clock.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/screenshot.h"
#include "viewer/ui/window.h"

namespace pelmora::viewer {

namespace ui = qarvo::ui;

namespace {

constexpr uint32_t kShotEveryMs = 4000;
// The first picture waits until the first comments are on their way.
constexpr uint32_t kFirstShotMs = 3000;
// How long the first address waits for the history's thumbnails.
constexpr uint32_t kHistoryWaitMs = 6000;
constexpr int kPassMs = 200;

}  // namespace

DemoSettings DemoSettings::FromEnvironment()
{
    DemoSettings s;
    s.enabled = qarvo::platform::environmentText("PELMORA_DEMO") == "1";
    s.seconds = std::atoi(qarvo::platform::environmentText("PELMORA_DEMO_SECONDS").c_str());
    s.shotsDirectory = qarvo::platform::environmentText("PELMORA_DEMO_SHOTS");
    s.first = qarvo::platform::environmentText("PELMORA_DEMO_FIRST");
    s.then = qarvo::platform::environmentText("PELMORA_DEMO_THEN");
    s.generator = qarvo::platform::environmentText("PELMORA_DEMO_GENERATOR") == "1";
    if (s.seconds > 0 || !s.shotsDirectory.empty())
        s.enabled = true;
    return s;
}

DemoMode::DemoMode(C_App& app, DemoSettings settings) : m_app(app), m_settings(std::move(settings))
{
    if (!m_settings.enabled)
        return;
    m_start = qarvo_time_millis();
    m_nextShot = kFirstShotMs;
    m_thread.SetFunction(qarvo::common::Pointer<qarvo::I_Function>(
        std::make_shared<qarvo::C_FunctionObject>([this] { pass(); })));
    m_thread.Start();
}

DemoMode::~DemoMode()
{
    m_thread.Stop(0);
}

void DemoMode::pass()
{
    qarvo_sleep_millis(kPassMs);
    const WindowHandle main = m_app.GetHWnd();
    if (m_closed || !main || m_app.IsClosing())
        return;
    const uint32_t elapsed = qarvo_time_millis() - m_start;

    if (!m_firstDone && !m_settings.first.empty()) {
        const WindowHandle history = m_app.HistoryPageWindow();
        const bool thumbnails = history && ui::Static_HasBitmap(ui::GetDlgItem(history, 1064)) &&
                                ui::Static_HasBitmap(ui::GetDlgItem(history, 1073));
        if (!thumbnails && elapsed < kHistoryWaitMs)
            return;
        m_firstDone = true;
        if (!m_settings.shotsDirectory.empty())
            saveShot("main-00-history.png");
        fetch(m_settings.first);
        // The demo's timeline starts with its first fetch.
        m_start = qarvo_time_millis();
        return;
    }

    // A video page's tab may be left unselected; the demo shows it as a click on it would.
    if (const WindowHandle tab = m_app.TabStripWindow()) {
        const int tabs = ui::TabCtrl_GetItemCount(tab);
        const qarvo::C_WString last = tabs > 1 ? ui::TabCtrl_GetItemText(tab, tabs - 1) : qarvo::C_WString();
        if (!last.IsEmpty() && last != m_followedTab) {
            m_app.SelectTab(tabs - 1);
            m_followedTab = last;
        }
    }
    if (!m_switched && !m_settings.then.empty() && m_settings.seconds > 0 &&
        elapsed >= static_cast<uint32_t>(m_settings.seconds) * 500u) {
        m_switched = true;
        fetch(m_settings.then);
    }
    if (!m_settings.shotsDirectory.empty() && elapsed >= m_nextShot) {
        saveShot();
        m_nextShot += kShotEveryMs;
    }
    if (m_settings.seconds > 0 && elapsed >= static_cast<uint32_t>(m_settings.seconds) * 1000u) {
        if (!m_settings.shotsDirectory.empty())
            saveShot();
        m_closed = true;
        ui::PostMessage(main, ui::WM_CLOSE, 0, 0);
    }
}

void DemoMode::fetch(const std::string& address)
{
    const WindowHandle main = m_app.GetHWnd();
    ui::SetDlgItemText(main, 1001, qarvo::common::System::utf8_to_utf16(qarvo::C_String(address)));
    ui::SendMessage(main, ui::WM_COMMAND, ui::MakeWParam(ui::IDOK, ui::BN_CLICKED), 0);
}

void DemoMode::saveShot(const char* fixedName)
{
    char name[64];
    if (fixedName)
        std::snprintf(name, sizeof name, "/%s", fixedName);
    else
        std::snprintf(name, sizeof name, "/main-%02d.png", ++m_shotCount);
    const std::string path = m_settings.shotsDirectory + name;
    if (ui::SaveWindowImage(m_app.GetHWnd(), qarvo::common::System::utf8_to_utf16(qarvo::C_String(path))))
        std::printf("screenshot: %s\n", path.c_str());
    std::fflush(stdout);
}

}  // namespace pelmora::viewer
