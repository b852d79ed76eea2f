// Opening the comment information dialog (template 102) from a flowing comment, and moving an
// open one to another comment. The dialog finds its comment from the label's text (the
// collection index after the last blank).

#include "viewer/core/app/app.h"
#include "viewer/ui/dialog.h"
#include "viewer/ui/dialog_template.h"
#include "viewer/ui/window.h"

namespace pelmora::viewer {

namespace ui = qarvo::ui;

void C_App::openCommentInfo(WindowHandle label)
{
    const WindowHandle open = m_modalChild.load();
    if (open && ui::IsWindow(open)) {
        ui::PostMessage(open, kMsgRetargetCommentInfo, 0, static_cast<LParam>(label));
        return;
    }
    const WindowHandle dialog = ui::CreateDialogFromTemplate(
        ui::IDD_COMMENT_INFO, m_mainWindow,
        [this](WindowHandle& w, unsigned& m, WParam& wp, LParam& lp) { return commentInfoProc(w, m, wp, lp); },
        static_cast<LParam>(label));
    if (!dialog)
        return;
    m_modalChild.store(dialog);
    ui::ShowWindow(dialog, ui::SW_SHOW);
}

LResult C_App::commentInfoProc(WindowHandle dialog, unsigned message, WParam wParam, LParam lParam)
{
    switch (message) {
    case ui::WM_INITDIALOG:
    case kMsgRetargetCommentInfo:
        m_commentInfoLabel.store(static_cast<WindowHandle>(lParam));
        return 1;
    case ui::WM_COMMAND:
        if (ui::LowWord(wParam) != ui::IDOK && ui::LowWord(wParam) != ui::IDCANCEL)
            return 0;
        ui::DestroyWindow(dialog);
        return 1;
    case ui::WM_CLOSE:
        ui::DestroyWindow(dialog);
        return 1;
    case ui::WM_DESTROY: {
        WindowHandle self = dialog;
        m_modalChild.compare_exchange_strong(self, 0);
        m_commentInfoLabel.store(0);
        return 0;
    }
    default:
        return 0;
    }
}

}  // namespace pelmora::viewer
