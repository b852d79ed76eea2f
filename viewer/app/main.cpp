// PelmoraVista: the comment viewer. The whole program is the application object; this file
// only builds it, reads the command line, applies the demo aids or the scripted driver and
// runs it.
//
//   PelmoraVista [ADDRESS]
// ADDRESS (a video or broadcast id, or a watch address) is fetched at start, or handed to the
// viewer that is running already.

#include <cstdio>
#include <cstring>

#include "qarvo/charcode/system_charcode.h"
#include "viewer/app/demo_mode.h"
#include "viewer/app/script_driver.h"
#include "viewer/core/app/app.h"
#include "viewer/ui/messages.h"

namespace {

constexpr const char* kUsage =
    "usage: PelmoraVista [ADDRESS]\n"
    "  ADDRESS  a video or broadcast id (sm9, lv1) or a watch address, fetched at once;\n"
    "           a viewer that runs already comes forward and fetches it.\n";

}  // namespace

int main(int argc, char** argv)
{
    using namespace pelmora::viewer;
    qarvo::C_String address;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg[0] == '-' || !address.IsEmpty()) {
            std::fprintf(stderr, "PelmoraVista: unexpected argument \"%s\"\n%s", arg, kUsage);
            return 2;
        }
        address = qarvo::C_String(arg);
    }
    qarvo::ui::C_MainWnd::Register(0, 0, qarvo::C_WString(), qarvo::ui::SW_SHOWNORMAL);
    C_App app;
    app.SetStartAddress(qarvo::common::System::utf8_to_utf16(address));
    const DemoSettings demo = DemoSettings::FromEnvironment();
    if (demo.generator)
        app.SetRequestMode(qarvo::C_WString(u"dumy_debug"));
    // Declared after the application object, so they end first.
    DemoMode driver(app, demo);
    ScriptDriver script(app, ScriptSettings::FromEnvironment());
    return app.Run();
}
