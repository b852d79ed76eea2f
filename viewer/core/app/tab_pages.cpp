// The tab strip of the main window and its pages: the history page at index 0 and one video
// page per fetched address. All of it runs on the GUI thread.

#include <algorithm>

#include "viewer/core/app/app.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/dialog.h"
#include "viewer/ui/dialog_template.h"
#include "viewer/ui/window.h"

namespace pelmora::viewer {

namespace ui = qarvo::ui;

namespace {

constexpr int kTabPlaceholder = 1060;
constexpr int kTitleLimit = 260;

}  // namespace

int C_App::addTabPage(const C_WString& title, bool show, int templateId, ui::WindowProcedure proc,
                      WindowHandle* pageOut)
{
    const WindowHandle tab = m_tabStrip.load();
    *pageOut = 0;
    if (!tab)
        return -1;
    const int index = ui::TabCtrl_InsertItem(tab, ui::TabCtrl_GetItemCount(tab), title);
    const WindowHandle page = ui::CreateDialogFromTemplate(templateId, tab, std::move(proc), 0);
    if (index < 0 || !page) {
        if (index >= 0)
            ui::TabCtrl_DeleteItem(tab, index);
        if (page)
            ui::DestroyWindow(page);
        return -1;
    }
    // The table follows the tabs: a removed page takes its entry with it, so a tab's index
    // is always its page's index here.
    m_tabPages.insert(m_tabPages.begin() + index, page);
    if (show) {
        ui::ShowWindow(page, ui::SW_SHOW);
        ui::TabCtrl_SetCurSel(tab, index);
        showTabPage(index);
    } else {
        ui::ShowWindow(page, ui::SW_HIDE);
    }
    layoutTabPages();
    *pageOut = page;
    return index;
}

void C_App::showTabPage(int index)
{
    WindowHandle shown = 0;
    for (size_t i = 0; i < m_tabPages.size(); ++i) {
        const bool selected = static_cast<int>(i) == index;
        ui::ShowWindow(m_tabPages[i], selected ? ui::SW_SHOW : ui::SW_HIDE);
        if (selected)
            shown = m_tabPages[i];
    }
    m_shownPage.store(shown);
}

void C_App::selectPageTab(WindowHandle page)
{
    for (size_t i = 0; i < m_tabPages.size(); ++i)
        if (m_tabPages[i] == page)
            SelectTab(static_cast<int>(i));
}

// The template's places, in pixels as the dialog was built from them: what the window looks
// like at its original size, and what larger sizes grow from.
void C_App::captureOriginalLayout()
{
    const ui::DialogTemplate* tpl = ui::FindDialogTemplate(ui::IDD_MAIN);
    if (!tpl)
        return;
    m_originalClientWidth = ui::DialogUnitsToPixelsX(tpl->cx);
    m_originalClientHeight = ui::DialogUnitsToPixelsY(tpl->cy);
    m_originalBoxes.clear();
    for (const ui::ControlTemplate& ct : tpl->controls)
        m_originalBoxes.push_back({ct.id, ui::DialogUnitsToPixelsX(ct.x), ui::DialogUnitsToPixelsY(ct.y),
                                   ui::DialogUnitsToPixelsX(ct.cx), ui::DialogUnitsToPixelsY(ct.cy)});
}

// WM_SIZE: the tab strip's host takes the extra room and the ranking row moves down with the
// bottom edge (by the change only, so that whatever else placed the slots stays).
void C_App::layoutMainWindow()
{
    ui::Rect client;
    if (m_originalBoxes.empty() || !ui::GetClientRect(m_mainWindow, &client))
        return layoutTabPages();
    const std::vector<ControlBox> placed = PlaceMainControls(m_originalBoxes, m_originalClientWidth,
                                                             m_originalClientHeight, client.Width(), client.Height());
    const int extraHeight = std::max(0, client.Height() - m_originalClientHeight);
    const int shift = extraHeight - m_appliedExtraHeight;
    for (const ControlBox& box : placed) {
        const WindowHandle control = ui::GetDlgItem(m_mainWindow, box.id);
        ui::Rect now;
        if (!control)
            continue;
        if (box.id == kTabHostId)
            ui::MoveWindow(control, box.x, box.y, box.width, box.height);
        else if (shift != 0 && FollowsBottomEdge(box.id) && ui::GetChildRect(control, &now))
            ui::SetWindowPos(control, 0, now.left, now.top + shift, 0, 0,
                             ui::SWP_NOSIZE | ui::SWP_NOZORDER | ui::SWP_NOACTIVATE);
    }
    m_appliedExtraHeight = extraHeight;
    layoutTabPages();
}

void C_App::layoutTabPages()
{
    const WindowHandle tab = m_tabStrip.load();
    if (!tab)
        return;
    ui::Rect area;
    ui::GetClientRect(ui::GetDlgItem(m_mainWindow, kTabPlaceholder), &area);
    ui::MoveWindow(tab, area.left, area.top, area.Width(), area.Height());
    ui::TabCtrl_AdjustRect(tab, false, &area);
    for (WindowHandle page : m_tabPages)
        ui::MoveWindow(page, area.left, area.top, area.Width(), area.Height());
    ui::InvalidateRect(tab);
    const bool widthChanged = m_pageWidth.exchange(area.Width()) != area.Width();
    m_pageHeight.store(area.Height());
    // The tag rows wrap at the page's width.
    if (widthChanged)
        for (WindowHandle page : m_tabPages)
            if (pageOfWindow(page))
                layoutTags(page);
}

PageGeometry C_App::pageGeometry() const
{
    return PageGeometry{m_pageWidth.load(), m_pageHeight.load(), m_originalPageWidth.load(),
                        m_originalPageHeight.load()};
}

void C_App::removeTabPage(WindowHandle page)
{
    const WindowHandle tab = m_tabStrip.load();
    for (size_t i = 0; i < m_tabPages.size(); ++i) {
        if (m_tabPages[i] != page)
            continue;
        ui::TabCtrl_SetCurSel(tab, 0);
        showTabPage(0);
        ui::TabCtrl_DeleteItem(tab, static_cast<int>(i));
        m_tabPages.erase(m_tabPages.begin() + static_cast<long>(i));
        break;
    }
    if (page)
        ui::DestroyWindow(page);
}

C_WString C_App::selectedTabTitle(int* index)
{
    const WindowHandle tab = m_tabStrip.load();
    const int selected = tab ? ui::TabCtrl_GetCurSel(tab) : -1;
    if (index)
        *index = selected;
    return selected < 0 ? C_WString() : ui::TabCtrl_GetItemText(tab, selected, kTitleLimit);
}

}  // namespace pelmora::viewer
