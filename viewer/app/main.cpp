// PelmoraVista: the comment viewer. The whole program is the application object; this file
// only builds it, applies the demo aids or the scripted driver and runs it.

#include "viewer/app/demo_mode.h"
#include "viewer/app/script_driver.h"
#include "viewer/core/app/app.h"
#include "viewer/ui/messages.h"

int main()
{
    using namespace pelmora::viewer;
    qarvo::ui::C_MainWnd::Register(0, 0, qarvo::C_WString(), qarvo::ui::SW_SHOWNORMAL);
    C_App app;
    const DemoSettings demo = DemoSettings::FromEnvironment();
    if (demo.generator)
        app.SetRequestMode(qarvo::C_WString(u"dumy_debug"));
    // Declared after the application object, so they end first.
    DemoMode driver(app, demo);
    ScriptDriver script(app, ScriptSettings::FromEnvironment());
    return app.Run();
}
