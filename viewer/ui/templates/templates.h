#pragma once
// The viewer's dialog and menu templates, one file each.

#include "viewer/ui/dialog_template.h"
#include "viewer/ui/messages.h"

namespace qarvo::ui::templates {

// Shorthands for the tables.
constexpr uint32_t kChild = WS_CHILD | WS_VISIBLE;
constexpr uint32_t kTab = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr const char16_t* kDialogFont = u"MS Shell Dlg";
constexpr int kDialogFontPoints = 8;

extern const DialogTemplate kMainWindow;     // 101
extern const MenuTemplate kMainMenu;         // 103
extern const std::span<const AcceleratorTemplate> kMainAccelerators;
extern const DialogTemplate kCommentInfo;    // 102
extern const DialogTemplate kSettings;       // 104
extern const DialogTemplate kHistoryPage;    // 105
extern const DialogTemplate kNgList;         // 106
extern const DialogTemplate kVideoPage;      // 107

}  // namespace qarvo::ui::templates
