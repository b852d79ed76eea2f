// The history page (template 105), the first tab: the viewing history two entries at a time,
// each with its thumbnail, its texts and a title that opens the video. GUI thread.

#include "viewer/core/app/app.h"
#include "viewer/core/app/control_hook.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/desktop.h"
#include "viewer/ui/window.h"

namespace pelmora::viewer {

namespace ui = qarvo::ui;

namespace {

enum HistoryControl {
    kPrevious = 1051,
    kNext = 1052,
    kRefresh = 1063,
    kSeparator = 1071,
    kCounter = 1072,
};

struct SlotControls {
    int thumbnail, line1, line2, title, lastViewed;
};
constexpr SlotControls kSlots[] = {{1064, 1061, 1062, 1065, 1066}, {1073, 1067, 1068, 1069, 1070}};
constexpr int kTextLabels[] = {1061, 1062, 1065, 1066, 1067, 1068, 1069, 1070, 1071, 1072};
constexpr int kEntriesPerPage = C_HistoryImageLoader::kEntriesPerPage;
constexpr int kSeparatorLength = 92;
// A title wider than this wraps onto a second line.
constexpr int kTitleWrapWidth = 400;
constexpr int kTitleLineHeight = 18;

void show(WindowHandle page, int id, bool visible)
{
    ui::ShowWindow(ui::GetDlgItem(page, id), visible ? ui::SW_SHOW : ui::SW_HIDE);
}

}  // namespace

int C_App::historyCount()
{
    std::lock_guard<std::mutex> lock(m_viewingLock);
    return static_cast<int>(m_viewingHistory.size());
}

HistoryEntryPtr C_App::historyEntry(int index)
{
    std::lock_guard<std::mutex> lock(m_viewingLock);
    auto it = m_viewingHistory.find(index);
    return it == m_viewingHistory.end() ? HistoryEntryPtr() : it->second;
}

LResult C_App::historyPageProc(WindowHandle page, unsigned message, WParam wParam, LParam lParam)
{
    switch (message) {
    case ui::WM_INITDIALOG:
        m_historyPage.store(page);
        show(page, kPrevious, false);
        show(page, kNext, false);
        for (const SlotControls& slot : kSlots) {
            const WindowHandle title = ui::GetDlgItem(page, slot.title);
            ui::SetWindowFont(title, m_linkFont);
            const int offset = &slot == &kSlots[0] ? 0 : 1;
            SubclassControl(title, [this, offset](WindowHandle, unsigned m) -> LResult {
                if (m == ui::WM_SETCURSOR) {
                    ui::SetCursor(ui::IDC_HAND);
                    return 0;
                }
                if (m == ui::WM_LBUTTONDOWN)
                    if (const HistoryEntryPtr entry = historyEntry(m_historyFirst + offset); entry && !entry->link.IsEmpty())
                        ui::OpenAddress(entry->link);
                return kChainOn;
            });
        }
        return 1;
    case ui::WM_SHOWWINDOW:
        if (wParam && historyCount() == 0)
            requestViewingHistory();
        return 1;
    case ui::WM_COMMAND:
        switch (ui::LowWord(wParam)) {
        case kRefresh:
            refreshHistory(page);
            return 1;
        case kNext:
            if (m_historyFirst + kEntriesPerPage < historyCount()) {
                m_historyFirst += kEntriesPerPage;
                m_historyImages.SetCurrentPage(m_historyFirst / kEntriesPerPage);
                drawHistoryThumbnails(page);
            }
            show(page, kNext, m_historyFirst + kEntriesPerPage < historyCount());
            show(page, kPrevious, true);
            ui::SendMessage(page, kMsgHistoryEntries, 0, 0);
            return 1;
        case kPrevious:
            if (m_historyFirst - kEntriesPerPage >= 0) {
                m_historyFirst -= kEntriesPerPage;
                m_historyImages.SetCurrentPage(m_historyFirst / kEntriesPerPage);
                drawHistoryThumbnails(page);
            }
            if (m_historyFirst == 0)
                show(page, kPrevious, false);
            else
                show(page, kNext, true);
            ui::SendMessage(page, kMsgHistoryEntries, 0, 0);
            return 1;
        default:
            return 0;
        }
    case kMsgHistoryEntries:
        if (lParam != 0) {
            m_historyFirst = 0;
            m_historyImages.SetCurrentPage(0);
            show(page, kPrevious, false);
            show(page, kNext, historyCount() >= kEntriesPerPage);
        }
        if (wParam != 0) {
            drawHistoryTexts(page);
        } else {
            // The titles go blank at once; the texts follow on the next turn of the loop.
            for (const SlotControls& slot : kSlots)
                ui::SetDlgItemText(page, slot.title, C_WString());
            ui::PostMessage(page, kMsgHistoryEntries, 1, 0);
        }
        return 1;
    case kMsgHistoryThumbnails:
        drawHistoryThumbnails(page);
        return 1;
    case ui::WM_CTLCOLORSTATIC: {
        const WindowHandle label = static_cast<WindowHandle>(lParam);
        const int id = ui::GetDlgCtrlID(label);
        if ((id != kSlots[0].title && id != kSlots[1].title) || ui::GetWindowText(label).IsEmpty())
            return 0;
        ui::SetTextColor(wParam, ui::Rgb(0, 0, 255));
        ui::SetBkMode(wParam, ui::TRANSPARENT);
        return ui::GetStockObject(ui::NULL_BRUSH);
    }
    default:
        return 0;
    }
}

void C_App::refreshHistory(WindowHandle page)
{
    m_historyFirst = 0;
    m_historyImages.Stop();
    for (int id : kTextLabels)
        ui::SetDlgItemText(page, id, C_WString());
    show(page, kPrevious, false);
    show(page, kNext, false);
    for (const SlotControls& slot : kSlots)
        ui::Static_SetBitmap(ui::GetDlgItem(page, slot.thumbnail), ui::C_Bitmap());
    {
        std::lock_guard<std::mutex> lock(m_viewingLock);
        m_viewingHistory.clear();
    }
    requestViewingHistory();
}

void C_App::drawHistoryTexts(WindowHandle page)
{
    const int count = historyCount();
    for (int i = 0; i < kEntriesPerPage; ++i) {
        const SlotControls& slot = kSlots[i];
        for (int id : {slot.line1, slot.line2, slot.title, slot.lastViewed})
            ui::SetDlgItemText(page, id, C_WString());
        const HistoryEntryPtr e = historyEntry(m_historyFirst + i);
        if (m_historyFirst + i >= count || !e)
            break;
        ui::SetDlgItemText(page, slot.line1, e->firstStrong);
        ui::SetDlgItemText(page, slot.line2,
                           C_WString::Stringf(u"時間： %s | 再生： %u | コメント： %u", e->spanText.c_str(),
                                              static_cast<unsigned>(e->playCount),
                                              static_cast<unsigned>(e->commentCount)));
        const WindowHandle title = ui::GetDlgItem(page, slot.title);
        const int width = m_linkFont.GetStringWidth(e->anchorText);
        if (width > kTitleWrapWidth)
            ui::SetWindowPos(title, 0, 0, 0, kTitleWrapWidth, 2 * kTitleLineHeight, ui::SWP_NOMOVE | ui::SWP_NOZORDER);
        else
            ui::SetWindowPos(title, 0, 0, 0, width, kTitleLineHeight, ui::SWP_NOMOVE | ui::SWP_NOZORDER);
        ui::SetWindowText(title, e->anchorText);
        ui::ShowWindow(title, ui::SW_SHOW);
        ui::SetDlgItemText(page, slot.lastViewed,
                           C_WString::Stringf(u"最終視聴日%s (視聴回数: %u)", e->secondStrong.c_str(),
                                              static_cast<unsigned>(e->viewCount)));
    }
    ui::SetDlgItemText(page, kSeparator, C_WString(std::u16string(kSeparatorLength, u'-')));
    const int pages = (count + kEntriesPerPage - 1) / kEntriesPerPage;
    ui::SetDlgItemText(page, kCounter,
                       count == 0 ? C_WString(u"<none>")
                                  : C_WString::Stringf(u"%d/%d", m_historyFirst / kEntriesPerPage + 1, pages));
}

void C_App::drawHistoryThumbnails(WindowHandle page)
{
    const int thumbnails = m_historyImages.Count();
    for (int i = 0; i < kEntriesPerPage; ++i) {
        const int n = m_historyFirst + i;
        const qarvo::ui::C_Bitmap bitmap = n < thumbnails ? m_historyImages.Bitmap(n) : qarvo::ui::C_Bitmap();
        ui::Static_SetBitmap(ui::GetDlgItem(page, kSlots[i].thumbnail), bitmap);
    }
}

}  // namespace pelmora::viewer
