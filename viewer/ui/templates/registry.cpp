#include "viewer/ui/templates/templates.h"

namespace qarvo::ui {

const DialogTemplate* FindDialogTemplate(int id)
{
    for (const DialogTemplate* tpl : {&templates::kMainWindow, &templates::kCommentInfo, &templates::kSettings,
                                      &templates::kHistoryPage, &templates::kNgList, &templates::kVideoPage})
        if (tpl->id == id)
            return tpl;
    return nullptr;
}

const MenuTemplate* FindMenuTemplate(int id)
{
    return id == templates::kMainMenu.id ? &templates::kMainMenu : nullptr;
}

std::span<const AcceleratorTemplate> FindAccelerators(int id)
{
    if (id == templates::kMainWindow.id)
        return templates::kMainAccelerators;
    return {};
}

}  // namespace qarvo::ui
