// The tab strip of the main window and its pages: the history page at index 0 and one video
// page per fetched address. All of it runs on the GUI thread.

#include "viewer/core/app/app.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/dialog.h"
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
