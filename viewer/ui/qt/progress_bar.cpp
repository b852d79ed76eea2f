#include "viewer/ui/qt/progress_bar.h"

#include <QProgressBar>

#include "viewer/ui/controls.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/qt/gui_thread.h"

namespace qarvo::ui::detail {
namespace {

QProgressBar* barOf(WindowRecord& rec)
{
    return rec.kind == WindowKind::ProgressBar ? qobject_cast<QProgressBar*>(rec.widget.data()) : nullptr;
}

int clampTo(const QProgressBar& bar, long long value)
{
    if (value < bar.minimum())
        return bar.minimum();
    if (value > bar.maximum())
        return bar.maximum();
    return static_cast<int>(value);
}

}  // namespace

LResult ProgressMessage(WindowRecord& rec, unsigned message, WParam wParam, LParam lParam)
{
    QProgressBar* bar = barOf(rec);
    if (!bar)
        return 0;
    const int old = bar->value() < bar->minimum() ? bar->minimum() : bar->value();
    switch (message) {
    case PBM_SETRANGE: {
        const LResult previous = MakeLParam(static_cast<unsigned>(bar->minimum()), static_cast<unsigned>(bar->maximum()));
        const unsigned packed = static_cast<unsigned>(lParam);
        bar->setRange(static_cast<int>(LowWord(packed)), static_cast<int>(HighWord(packed)));
        bar->setValue(clampTo(*bar, old));
        return previous;
    }
    case PBM_SETRANGE32: {
        const LResult previous = MakeLParam(static_cast<unsigned>(bar->minimum()), static_cast<unsigned>(bar->maximum()));
        bar->setRange(static_cast<int>(wParam), static_cast<int>(lParam));
        bar->setValue(clampTo(*bar, old));
        return previous;
    }
    case PBM_SETPOS:
        bar->setValue(clampTo(*bar, static_cast<int>(wParam)));
        return old;
    case PBM_DELTAPOS:
        bar->setValue(clampTo(*bar, static_cast<long long>(old) + static_cast<int>(wParam)));
        return old;
    case PBM_SETSTEP: {
        const int previous = rec.progressStep;
        rec.progressStep = static_cast<int>(wParam);
        return previous;
    }
    case PBM_STEPIT: {
        long long next = static_cast<long long>(old) + rec.progressStep;
        const long long lo = bar->minimum(), hi = bar->maximum();
        // Past either end the bar wraps round, as the classic control did.
        if (hi > lo) {
            if (next > hi)
                next = (next - lo) % (hi - lo) + lo;
            if (next < lo)
                next = (next - lo) % (hi - lo) + hi;
        }
        bar->setValue(clampTo(*bar, next));
        return old;
    }
    case PBM_GETPOS:
        return old;
    default:
        return 0;
    }
}

}  // namespace qarvo::ui::detail

namespace qarvo::ui {

using namespace detail;

namespace {

// A change from any thread: at once on the GUI thread, queued in order from others.
bool postProgress(WindowHandle bar, unsigned message, WParam wParam, LParam lParam)
{
    return RunOnGui([=] {
        if (WindowRecord* rec = FindRecord(bar))
            ProgressMessage(*rec, message, wParam, lParam);
    });
}

}  // namespace

bool Progress_SetRange(WindowHandle bar, int minimum, int maximum)
{
    return postProgress(bar, PBM_SETRANGE32, static_cast<WParam>(minimum), maximum);
}

bool Progress_SetPos(WindowHandle bar, int position)
{
    return postProgress(bar, PBM_SETPOS, static_cast<WParam>(position), 0);
}

bool Progress_SetStep(WindowHandle bar, int step)
{
    return postProgress(bar, PBM_SETSTEP, static_cast<WParam>(step), 0);
}

bool Progress_StepIt(WindowHandle bar)
{
    return postProgress(bar, PBM_STEPIT, 0, 0);
}

int Progress_GetPos(WindowHandle bar)
{
    return CallOnGui<int>(
        [&] {
            WindowRecord* rec = FindRecord(bar);
            return rec ? static_cast<int>(ProgressMessage(*rec, PBM_GETPOS, 0, 0)) : 0;
        },
        0);
}

}  // namespace qarvo::ui
