// The comment information dialog (template 102): the clicked comment with its date, position,
// user and number, every comment of that user in the video with check boxes, the report text
// made from the ticked ones, the report page, and marking the user as NG. GUI thread.
//
// The comments are read from a copy of the page's collection taken under the page map lock:
// engine threads append to the collection while the dialog reads it.

#include "engine/service/endpoints.h"
#include "qarvo/text/integer.h"
#include "qarvo/time/time.h"
#include "viewer/core/app/app.h"
#include "viewer/core/model/report_template.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/desktop.h"
#include "viewer/ui/dialog.h"
#include "viewer/ui/dialog_template.h"
#include "viewer/ui/notify.h"
#include "viewer/ui/window.h"

namespace pelmora::viewer {

namespace ui = qarvo::ui;

namespace {

enum InfoControl {
    kSelectedText = 1047,
    kUserId = 1048,
    kNumber = 1049,
    kPostCount = 1050,
    kReportButton = 1051,
    kReportPageButton = 1052,
    kDeletedCount = 1053,
    kUserList = 1054,
    kNgUserButton = 1056,
};

constexpr unsigned kListStyle =
    ui::LVS_EX_GRIDLINES | ui::LVS_EX_CHECKBOXES | ui::LVS_EX_FULLROWSELECT | ui::LVS_EX_ONECLICKACTIVATE;

struct Column {
    const char16_t* title;
    int format;
    int width;
};
constexpr Column kColumns[] = {
    {u"コメ番号", ui::LVCFMT_LEFT, 80},  {u"状態", ui::LVCFMT_CENTER, 50}, {u"位置", ui::LVCFMT_CENTER, 50},
    {u"Script", ui::LVCFMT_CENTER, 70}, {u"コメント", ui::LVCFMT_LEFT, 320},
};

constexpr const char16_t* kDeletedMark = u"削除";
constexpr const char16_t* kNgMark = u"NG";
constexpr int kLabelTextLimit = 520;
constexpr int kCellLimit = 260;
constexpr int kSortTextLimit = 59;  // what the comparison reads of a cell

// Playback position "mm:ss" of a vpos in hundredths of a second.
C_WString position(int vpos)
{
    const int seconds = vpos / 100;
    return C_WString::Stringf(u"%02d:%02d", seconds / 60, seconds % 60);
}

C_WString describe(const tag_NICO_COMMENT_LIGHT& c)
{
    std::tm local{};
    qarvo::C_Time(c.date).GetLocalTime(&local);
    C_WString text = c.text;
    text.Replace(u"\n", u"\r\n");
    const int seconds = c.vpos / 100;
    return C_WString::Stringf(u"[%d/%02d/%02d %02d:%02d:%02d] %02d:%02d\r\n", local.tm_year + 1900, local.tm_mon + 1,
                              local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, seconds / 60, seconds % 60) +
           text;
}

bool isNumber(const C_WString& text)
{
    if (text.IsEmpty() || text.Length() > 9)
        return false;
    for (int i = 0; i < text.Length(); ++i)
        if (text.c_str()[i] < u'0' || text.c_str()[i] > u'9')
            return false;
    return true;
}

bool isDeletedRow(WindowHandle list, int row)
{
    return ui::ListView_GetItemText(list, row, 1, kCellLimit).StartsWith(kDeletedMark);
}

}  // namespace

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

CommentCollection C_App::commentsOfTitle(const C_WString& title)
{
    qarvo::C_CriticalLock lock(m_pageLock);
    auto it = m_pages.find(title);
    return it == m_pages.end() ? CommentCollection() : it->second->comments;
}

LResult C_App::commentInfoProc(WindowHandle dialog, unsigned message, WParam wParam, LParam lParam)
{
    switch (message) {
    case ui::WM_INITDIALOG: {
        const WindowHandle list = ui::GetDlgItem(dialog, kUserList);
        ui::SetWindowFont(ui::GetDlgItem(dialog, kSelectedText), m_smallFont);
        ui::ListView_SetExtendedListViewStyle(list, ui::ListView_GetExtendedListViewStyle(list) | kListStyle);
        ui::SetWindowFont(list, m_smallFont);
        for (int i = 0; i < 5; ++i)
            ui::ListView_InsertColumn(list, i, C_WString(kColumns[i].title), kColumns[i].format, kColumns[i].width);
        ui::SendMessage(dialog, kMsgRetargetCommentInfo, 0, lParam);
        ui::Rect owner, self;
        ui::GetWindowRect(m_mainWindow, &owner);
        ui::GetWindowRect(dialog, &self);
        ui::SetWindowPos(dialog, 0, owner.left + (owner.Width() - self.Width()) / 2,
                         owner.top + (owner.Height() - self.Height()) / 2, 0, 0, ui::SWP_NOSIZE | ui::SWP_NOZORDER);
        ui::ShowWindow(dialog, ui::SW_SHOW);
        return 1;
    }
    case kMsgRetargetCommentInfo:
        showCommentOfLabel(dialog, static_cast<WindowHandle>(lParam));
        return 1;
    case ui::WM_NOTIFY:
        return onCommentInfoNotify(dialog, lParam);
    case ui::WM_COMMAND:
        switch (ui::LowWord(wParam)) {
        case kReportButton:
            copyReportTemplate(dialog);
            return 1;
        case kReportPageButton:
            ui::OpenAddress(C_WString(qarvo::C_String::Stringf("http://%s%s", pelmora::endpoints::kForumHost,
                                                               pelmora::endpoints::kReportPath)));
            return 1;
        case kNgUserButton:
            markUserNg(dialog);
            return 1;
        case ui::IDOK:
        case ui::IDCANCEL:
            ui::PostMessage(dialog, ui::WM_CLOSE, 0, 0);
            return 1;
        default:
            return 0;
        }
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

// The label's text ends with two blanks and the comment's collection index.
void C_App::showCommentOfLabel(WindowHandle dialog, WindowHandle label)
{
    m_commentInfoLabel.store(label);
    const C_WString title = selectedTabTitle(nullptr);
    const C_WString text = ui::GetWindowText(label, kLabelTextLimit);
    if (text.IsEmpty())
        return;
    const int blank = text.LastIndexOf(u" ");
    const C_WString digits = blank < 0 ? text : text.SubString(blank + 1);
    const int64_t key = isNumber(digits) ? qarvo::qarvo_strtoint64(digits.c_str()) : -1;
    const CommentCollection comments = commentsOfTitle(title);
    if (key < 0 || key >= static_cast<int64_t>(comments.size()))
        return;
    m_info.title = title;
    m_info.key = static_cast<int>(key);
    fillCommentInfo(dialog, comments);
}

void C_App::fillCommentInfo(WindowHandle dialog, const CommentCollection& comments)
{
    const tag_NICO_COMMENT_LIGHT& selected = *comments[static_cast<size_t>(m_info.key)];
    ui::SetDlgItemText(dialog, kSelectedText, describe(selected));
    ui::SetDlgItemText(dialog, kUserId, selected.userId);
    ui::SetDlgItemInt(dialog, kNumber, static_cast<unsigned>(selected.no), false);

    const WindowHandle list = ui::GetDlgItem(dialog, kUserList);
    const std::shared_ptr<const NgFilter> ng = NgList();
    ui::ListView_DeleteAllItems(list);
    int rows = 0, deleted = 0;
    for (const CommentPtr& c : comments) {
        if (c->userId != selected.userId)
            continue;
        const int row = ui::ListView_InsertItem(list, rows, C_WString::Stringf(u"%u", static_cast<unsigned>(c->no)), rows);
        const bool isNg = !c->deleted && ng->Matches(c->userId, c->text);
        ui::ListView_SetItemText(list, row, 1, C_WString(c->deleted ? kDeletedMark : isNg ? kNgMark : u"-"));
        ui::ListView_SetItemText(list, row, 2, position(c->vpos));
        ui::ListView_SetItemText(list, row, 3, c->mail);
        ui::ListView_SetItemText(list, row, 4, c->text);
        // A deleted row refuses the tick (LVN_ITEMCHANGED), so its state column comes first.
        if (c->no == selected.no)
            ui::ListView_SetCheckState(list, row, true);
        ++rows;
        deleted += c->deleted ? 1 : 0;
    }
    ui::SetDlgItemInt(dialog, kPostCount, static_cast<unsigned>(rows), false);
    ui::SetDlgItemInt(dialog, kDeletedCount, static_cast<unsigned>(deleted), false);
    m_info.list = list;
    m_info.column = 0;
    m_info.direction = 0;
    sortCommentInfo();
}

void C_App::sortCommentInfo()
{
    const WindowHandle list = m_info.list;
    const int column = m_info.column;
    const bool ascending = m_info.direction != 0;
    ui::ListView_SortItems(
        list,
        [list, column, ascending](LParam a, LParam b, LParam) {
            const int rowA = ui::ListView_FindItemByParam(list, -1, a);
            const int rowB = ui::ListView_FindItemByParam(list, -1, b);
            const int order = CompareListCells(ui::ListView_GetItemText(list, rowA, column, kSortTextLimit),
                                           ui::ListView_GetItemText(list, rowB, column, kSortTextLimit));
            return ascending ? order : -order;
        },
        0);
}

LResult C_App::onCommentInfoNotify(WindowHandle dialog, LParam lParam)
{
    const ui::NotifyHeader* header = ui::NotifyOf(lParam);
    if (!header || ui::GetDlgCtrlID(header->hwndFrom) != kUserList)
        return 0;
    const auto* item = reinterpret_cast<const ui::ListViewNotify*>(lParam);
    const WindowHandle list = header->hwndFrom;
    switch (header->code) {
    case ui::LVN_ITEMACTIVATE: {
        if (item->iItem < 0)
            return 1;
        const int number = static_cast<int>(
            qarvo::qarvo_strtoint64(ui::ListView_GetItemText(list, item->iItem, 0, kCellLimit).c_str()));
        for (const CommentPtr& c : commentsOfTitle(m_info.title))
            if (c->no == number) {
                ui::SetDlgItemText(dialog, kSelectedText, describe(*c));
                ui::SetDlgItemText(dialog, kUserId, c->userId);
                ui::SetDlgItemInt(dialog, kNumber, static_cast<unsigned>(c->no), false);
                break;
            }
        return 1;
    }
    case ui::LVN_ITEMCHANGED:
        // A deleted comment cannot be reported: its tick is undone at once.
        if (item->iItem >= 0 && ui::StateImageMaskToIndex(item->uNewState) == 2 && isDeletedRow(list, item->iItem))
            ui::ListView_SetCheckState(list, item->iItem, false);
        return 1;
    case ui::LVN_COLUMNCLICK:
        m_info.list = list;
        m_info.column = item->iSubItem;
        m_info.direction = ~m_info.direction;
        sortCommentInfo();
        return 1;
    default:
        return 0;
    }
}

C_WString C_App::reportTemplate(WindowHandle dialog)
{
    const WindowHandle list = ui::GetDlgItem(dialog, kUserList);
    std::vector<ReportRow> rows;
    for (int row = 0; row < ui::ListView_GetItemCount(list); ++row)
        rows.push_back(ReportRow{ui::ListView_GetItemText(list, row, 0, kCellLimit), ui::ListView_GetCheckState(list, row),
                                 isDeletedRow(list, row)});
    const CommentCollection comments = commentsOfTitle(m_info.title);
    const C_WString userId = m_info.key >= 0 && m_info.key < static_cast<int>(comments.size())
                                 ? comments[static_cast<size_t>(m_info.key)]->userId
                                 : C_WString();
    return BuildReportTemplate(currentAddress(), userId, rows);
}

void C_App::copyReportTemplate(WindowHandle dialog)
{
    const C_WString text = reportTemplate(dialog);
    if (!ui::SetClipboardText(text))
        return;
    ui::MessageBox(m_mainWindow, C_WString(u"クリップボードに下記内容をコピーしました。\n\n") + text, C_WString(u"ご報告"),
                   ui::MB_OK | ui::MB_ICONINFORMATION);
}

void C_App::markUserNg(WindowHandle dialog)
{
    const CommentCollection comments = commentsOfTitle(m_info.title);
    if (m_info.key < 0 || m_info.key >= static_cast<int>(comments.size()))
        return;
    const C_WString userId = comments[static_cast<size_t>(m_info.key)]->userId;
    if (userId.IsEmpty() || !AddNgUser(userId))
        return;
    // The rows show their new state.
    fillCommentInfo(dialog, comments);
}

}  // namespace pelmora::viewer
