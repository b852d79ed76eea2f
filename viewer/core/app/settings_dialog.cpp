#include "viewer/core/app/settings_dialog.h"

#include <vector>

#include "qarvo/ini/ini_file.h"
#include "viewer/core/app/login_choice.h"
#include "viewer/core/model/settings.h"
#include "viewer/ui/desktop.h"
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
    kLoginBrowserBox = 1091,
    kCookieFileEdit = 1092,
    kNgAnonymousBox = 1093,
    kNgListButton = 1094,
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

// The login combo box's entries while the dialog is open (GUI thread).
struct LoginBox {
    std::vector<LoginChoiceEntry> entries;
    int selected = 0;

    bool isFileEntry(int index) const
    {
        return index >= 0 && index < static_cast<int>(entries.size()) && entries[static_cast<size_t>(index)].value == kCookieTxt;
    }
};

void fillLoginBox(ui::WindowHandle dialog, qarvo::C_WIniFile& ini, LoginBox& box)
{
    box.entries = LoginChoiceEntries();
    C_WString stored = ini.GetStr(C_WString(kCookieBrowserKey));
    if (stored.IsEmpty())
        stored = C_WString(kCookieAuto);
    box.selected = -1;
    for (size_t i = 0; i < box.entries.size(); ++i)
        if (box.entries[i].value == stored)
            box.selected = static_cast<int>(i);
    if (box.selected < 0) {
        // A browser chosen earlier and no longer found stays chosen until the user changes it.
        box.entries.insert(box.entries.end() - 1, {stored + u" (見つかりません)", stored});
        box.selected = static_cast<int>(box.entries.size()) - 2;
    }
    const ui::WindowHandle combo = ui::GetDlgItem(dialog, kLoginBrowserBox);
    ui::ComboBox_ResetContent(combo);
    for (const LoginChoiceEntry& entry : box.entries)
        ui::ComboBox_AddString(combo, entry.label);
    ui::ComboBox_SetCurSel(combo, box.selected);
    ui::SetDlgItemText(dialog, kCookieFileEdit, ini.GetStr(C_WString(kCookieFileKey)));
    ui::EnableWindow(ui::GetDlgItem(dialog, kCookieFileEdit), box.isFileEntry(box.selected));
}

// "cookies.txt…" asks for the file at once; cancelled without a file, the choice goes back.
void onLoginBoxChange(ui::WindowHandle dialog, LoginBox& box)
{
    const int index = ui::ComboBox_GetCurSel(ui::GetDlgItem(dialog, kLoginBrowserBox));
    if (box.isFileEntry(index)) {
        ui::FileChoice choice;
        choice.caption = C_WString(u"ログインに使う cookies.txt");
        choice.filter = C_WString(u"cookies.txt (*.txt);;すべてのファイル (*)");
        choice.suggested = ui::GetDlgItemText(dialog, kCookieFileEdit);
        C_WString path;
        if (ui::ChooseFile(dialog, choice, &path)) {
            ui::SetDlgItemText(dialog, kCookieFileEdit, path);
        } else if (ui::GetDlgItemText(dialog, kCookieFileEdit).IsEmpty()) {
            ui::ComboBox_SetCurSel(ui::GetDlgItem(dialog, kLoginBrowserBox), box.selected);
            return;
        }
    }
    if (index >= 0)
        box.selected = index;
    ui::EnableWindow(ui::GetDlgItem(dialog, kCookieFileEdit), box.isFileEntry(box.selected));
}

void saveLoginBox(ui::WindowHandle dialog, qarvo::C_WIniFile& ini, const LoginBox& box)
{
    const C_WString file = ui::GetDlgItemText(dialog, kCookieFileEdit);
    C_WString value = box.entries.empty() ? C_WString(kCookieAuto) : box.entries[static_cast<size_t>(box.selected)].value;
    // A cookies.txt without a path is no choice.
    if (value == kCookieTxt && file.IsEmpty())
        value = C_WString(kCookieAuto);
    ini.SetStr(C_WString(kCookieBrowserKey), value);
    ini.SetStr(C_WString(kCookieFileKey), file);
}

void fillDialog(ui::WindowHandle dialog, LoginBox& login)
{
    qarvo::C_WIniFile ini(SettingsFile());
    fillLoginBox(dialog, ini, login);
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

void saveDialog(ui::WindowHandle dialog, PendingIntervals& pending, const LoginBox& login)
{
    qarvo::C_WIniFile ini(SettingsFile());
    saveLoginBox(dialog, ini, login);
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
    LoginBox login;
    auto procedure = [&pending, &login, &openNgEditor](ui::WindowHandle& dialog, unsigned& message,
                                                       ui::WParam& wParam, ui::LParam&) -> ui::LResult {
        switch (message) {
        case ui::WM_INITDIALOG:
            g_openDialog.store(dialog);
            fillDialog(dialog, login);
            return 1;
        case ui::WM_COMMAND:
            if (ui::LowWord(wParam) == kLoginBrowserBox && ui::HighWord(wParam) == ui::CBN_SELCHANGE) {
                onLoginBoxChange(dialog, login);
                return 1;
            }
            if (ui::LowWord(wParam) == ui::IDOK) {
                saveDialog(dialog, pending, login);
                // The file is written; the engine's next lookup takes the new choice.
                ApplyLoginChoice(SettingsFile());
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
