#include "viewer/core/app/settings_dialog.h"

#include "qarvo/ini/ini_file.h"
#include "viewer/core/model/settings.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/dialog.h"
#include "viewer/ui/dialog_template.h"
#include "viewer/ui/window.h"

namespace pelmora::viewer {

namespace ui = qarvo::ui;
namespace keys = settings;
using qarvo::C_WString;

namespace {

enum ControlId {
    kGetStartupBox = 1057,
    kFactoryCommentBox = 1058,
    kFactoryCommentXmlBox = 1059,
    kGetTagBox = 1076,
    kGetCommentBox = 1077,
    kCommentIntervalEdit = 1078,
    kTagIntervalEdit = 1079,
    kUrlListBox = 1080,
    kLiveIntervalEdit = 1081,
    kGetTagAutoBox = 1003,
    kNgAnonymousBox = 1090,
    kNgListButton = 1091,
};

// A missing key reads as -1: these boxes are ticked only by a positive value, the others by
// any value but 0 (so a missing key ticks them).
enum class CheckRule { Positive, NonZero };

struct CheckBoxKey {
    int id;
    const char16_t* key;
    CheckRule rule;
};

// In the order the OK button writes them.
constexpr CheckBoxKey kCheckBoxes[] = {
    {kGetStartupBox, keys::kGetStartup, CheckRule::Positive},
    {kFactoryCommentBox, keys::kFactoryComment, CheckRule::NonZero},
    {kGetTagBox, keys::kGetTag, CheckRule::NonZero},
    {kUrlListBox, keys::kUrlList, CheckRule::NonZero},
    {kGetTagAutoBox, keys::kGetTagAuto, CheckRule::NonZero},
    {kGetCommentBox, keys::kGetComment, CheckRule::NonZero},
    {kFactoryCommentXmlBox, keys::kFactoryCommentXml, CheckRule::Positive},
    {kNgAnonymousBox, keys::kNgAnonymous, CheckRule::Positive},
};

struct IntervalEdit {
    int id;
    const char16_t* key;
    int (*bound)(long long);
};

constexpr IntervalEdit kIntervals[] = {
    {kCommentIntervalEdit, keys::kCommentInterval, keys::BoundCommentInterval},
    {kLiveIntervalEdit, keys::kLiveInterval, keys::BoundLiveInterval},
    {kTagIntervalEdit, keys::kTagInterval, keys::BoundTagInterval},
};

std::atomic<ui::WindowHandle> g_openDialog{0};

void fillDialog(ui::WindowHandle dialog)
{
    qarvo::C_WIniFile ini(C_WString(keys::kFileName));
    for (const CheckBoxKey& box : kCheckBoxes) {
        const int value = ini.GetInt(C_WString(box.key));
        const bool ticked = box.rule == CheckRule::Positive ? value > 0 : value != 0;
        ui::Button_SetCheck(ui::GetDlgItem(dialog, box.id), ticked ? ui::BST_CHECKED : ui::BST_UNCHECKED);
    }
    for (const IntervalEdit& edit : kIntervals) {
        const int value = edit.bound(ini.GetInt(C_WString(edit.key)));
        ui::SetDlgItemInt(dialog, edit.id, static_cast<unsigned>(value), false);
    }
}

void saveDialog(ui::WindowHandle dialog, PendingIntervals& pending)
{
    qarvo::C_WIniFile ini(C_WString(keys::kFileName));
    for (const CheckBoxKey& box : kCheckBoxes) {
        const bool ticked = ui::Button_GetCheck(ui::GetDlgItem(dialog, box.id)) == ui::BST_CHECKED;
        ini.SetStr(C_WString(box.key), ticked ? 1 : 0);
    }
    int values[3] = {};
    for (int i = 0; i < 3; ++i) {
        const IntervalEdit& edit = kIntervals[i];
        values[i] = edit.bound(keys::ParseEditNumber(ui::GetDlgItemText(dialog, edit.id)));
        ini.SetStr(C_WString(edit.key), values[i]);
    }
    pending.comment.store(values[0]);
    pending.live.store(values[1]);
    // The file object's destruction commits the last change.
}

}  // namespace

ui::WindowHandle CurrentSettingsDialog()
{
    return g_openDialog.load();
}

intptr_t RunSettingsDialog(ui::WindowHandle owner, PendingIntervals& pending,
                           std::function<void(ui::WindowHandle)> openNgEditor)
{
    auto procedure = [&pending, &openNgEditor](ui::WindowHandle& dialog, unsigned& message, ui::WParam& wParam,
                                               ui::LParam&) -> ui::LResult {
        switch (message) {
        case ui::WM_INITDIALOG:
            g_openDialog.store(dialog);
            fillDialog(dialog);
            return 1;
        case ui::WM_COMMAND:
            if (ui::LowWord(wParam) == ui::IDOK) {
                saveDialog(dialog, pending);
                ui::EndDialog(dialog, 1);
                return 1;
            }
            if (ui::LowWord(wParam) == ui::IDCANCEL) {
                ui::EndDialog(dialog, 1);
                return 1;
            }
            if (ui::LowWord(wParam) == kNgListButton && openNgEditor) {
                openNgEditor(dialog);
                return 1;
            }
            return 0;
        case ui::WM_DESTROY:
            g_openDialog.store(0);
            return 0;
        default:
            return 0;
        }
    };
    const intptr_t result = ui::DialogBoxFromTemplate(ui::IDD_SETTINGS, owner, procedure, 0);
    g_openDialog.store(0);
    return result < 0 ? result : 1;
}

}  // namespace pelmora::viewer
