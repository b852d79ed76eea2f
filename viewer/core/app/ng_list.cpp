// The NG list of the application: read from list/ng.txt at start, after the editor and when a
// user is added; the display thread asks it for every comment about to flow.

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/file/path_encoding.h"
#include "viewer/core/app/app.h"
#include "viewer/core/model/app_folders.h"
#include "viewer/core/model/ng_list_file.h"
#include "viewer/ui/desktop.h"
#include "viewer/ui/dialog.h"
#include "viewer/ui/dialog_template.h"
#include "viewer/ui/window.h"

namespace pelmora::viewer {

namespace ui = qarvo::ui;
namespace System = qarvo::common::System;

namespace {

constexpr int kRulesEdit = 1101;

// ng.txt in the list folder of the folders in use.
std::string ngListPath()
{
    std::string path;
    qarvo::PathToUtf8(Folders().ListFile(u"ng.txt"), &path);
    return path;
}

}  // namespace

std::shared_ptr<const NgFilter> C_App::NgList()
{
    std::lock_guard<std::mutex> lock(m_ngLock);
    if (!m_ngFilter)
        m_ngFilter = NgFilter::FromText("", nullptr);
    return m_ngFilter;
}

void C_App::ReloadNgList()
{
    std::string text;
    if (!ReadNgListFile(ngListPath(), &text)) {
        SetStatusText(C_WString(u"NG 設定 (list/ng.txt) を読めませんでした。"));
        PushExecMessage(ExecMessage::ClearStatusLater);
        return;
    }
    std::vector<std::string> errors;
    std::shared_ptr<const NgFilter> filter = NgFilter::FromText(text, &errors);
    {
        std::lock_guard<std::mutex> lock(m_ngLock);
        m_ngFilter = std::move(filter);
    }
    if (errors.empty())
        return;
    SetStatusText(C_WString::Stringf(u"NG 設定の %d 行を使えません: ", static_cast<int>(errors.size())) +
                  System::utf8_to_utf16(qarvo::C_String(errors.front())));
    PushExecMessage(ExecMessage::ClearStatusLater);
}

bool C_App::AddNgUser(const C_WString& userId)
{
    if (!AppendNgRule(ngListPath(), NgUserRule(userId))) {
        ui::MessageBox(m_mainWindow, C_WString(u"NG 設定 (list/ng.txt) に書き込めませんでした。"), C_WString(u"エラー"),
                       ui::MB_OK | ui::MB_ICONERROR);
        return false;
    }
    ReloadNgList();
    SetStatusText(C_WString::Stringf(u"ユーザー %s を NG にしました。", userId.c_str()));
    PushExecMessage(ExecMessage::ClearStatusLater);
    return true;
}

// The editor: the file's lines in a text field; OK writes them back (whole, or not at all).
void C_App::runNgEditor(WindowHandle owner)
{
    auto procedure = [this](WindowHandle& dialog, unsigned& message, WParam& wParam, LParam&) -> LResult {
        switch (message) {
        case ui::WM_INITDIALOG: {
            std::string text;
            ReadNgListFile(ngListPath(), &text);
            ui::SetDlgItemText(dialog, kRulesEdit, System::utf8_to_utf16(qarvo::C_String(text)));
            return 1;
        }
        case ui::WM_COMMAND:
            if (ui::LowWord(wParam) == ui::IDOK) {
                C_WString rules = ui::GetDlgItemText(dialog, kRulesEdit);
                rules.Replace(u"\r\n", u"\n");
                if (!rules.IsEmpty() && !rules.EndsWith(u"\n"))
                    rules += u"\n";
                if (!WriteNgListFile(ngListPath(), System::utf16_to_utf8(rules).std())) {
                    ui::MessageBox(dialog, C_WString(u"NG 設定 (list/ng.txt) に書き込めませんでした。"),
                                   C_WString(u"エラー"), ui::MB_OK | ui::MB_ICONERROR);
                    return 1;
                }
                ReloadNgList();
                ui::EndDialog(dialog, 1);
                return 1;
            }
            if (ui::LowWord(wParam) == ui::IDCANCEL) {
                ui::EndDialog(dialog, 0);
                return 1;
            }
            return 0;
        default:
            return 0;
        }
    };
    ui::DialogBoxFromTemplate(ui::IDD_NG_LIST, owner, procedure, 0);
}

}  // namespace pelmora::viewer
