// A second copy of an application for the single-instance test: it exits with -1 when the
// lock named by its argument is held by someone else, as the viewer's start does, and with 0
// when it is the first.

#include <cstdlib>

#include "viewer/ui/main_wnd.h"

namespace {

class ProbeApp : public qarvo::ui::C_MainWnd {
public:
    int OnInitialize() override { return 1; }
    qarvo::ui::LResult WindowProc(qarvo::ui::WindowHandle&, unsigned&, qarvo::ui::WParam&, qarvo::ui::LParam&) override
    {
        return 0;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ProbeApp app;
    if (!app.IsFirstTimeCreateAppMutex(qarvo::C_WString(argv[1])))
        return -1;
    return 0;
}
