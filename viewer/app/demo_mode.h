#pragma once
// Demo aids for ./run, switched on by environment variables that only the demo script sets:
//   PELMORA_DEMO=1              follow a new video tab as soon as it appears, so that its
//                               comments flow without a click
//   PELMORA_DEMO_SECONDS=N      close the window (the normal way) after N seconds
//   PELMORA_DEMO_SHOTS=DIR      save a screenshot of the main window to DIR every few seconds
//   PELMORA_DEMO_FIRST=ADDRESS  once the history page shows its first thumbnails (at most a few
//                               seconds), save main-00-history.png and fetch ADDRESS as if
//                               the user had typed it
//   PELMORA_DEMO_THEN=ADDRESS   halfway through PELMORA_DEMO_SECONDS, fetch ADDRESS as if the
//                               user had typed it (the headless demo shows a broadcast too)
//   PELMORA_DEMO_GENERATOR=1    fetch with the engine's made-up comments ("dumy_debug") instead
//                               of the service's, for a demo without the comment servers

#include <string>

#include "qarvo/thread/thread_ex.h"
#include "viewer/core/app/app.h"

namespace pelmora::viewer {

struct DemoSettings {
    bool enabled = false;
    int seconds = 0;  // 0 = stay open
    std::string shotsDirectory;
    std::string first;
    std::string then;
    bool generator = false;

    static DemoSettings FromEnvironment();
};

// Runs beside the application on a thread of its own and reaches the windows only through
// the window layer's thread-safe calls. Destroy it before the application object.
class DemoMode {
public:
    DemoMode(C_App& app, DemoSettings settings);
    ~DemoMode();
    DemoMode(const DemoMode&) = delete;
    DemoMode& operator=(const DemoMode&) = delete;

private:
    void pass();
    void saveShot(const char* name = nullptr);
    void fetch(const std::string& address);

    C_App& m_app;
    DemoSettings m_settings;
    uint32_t m_start = 0;
    uint32_t m_nextShot = 0;
    int m_shotCount = 0;
    qarvo::C_WString m_followedTab;
    bool m_firstDone = false;
    bool m_switched = false;
    bool m_closed = false;
    qarvo::C_ThreadEx m_thread;
};

}  // namespace pelmora::viewer
