#pragma once
// The window text of each kind of window.

#include <QString>

#include "viewer/ui/qt/window_table.h"

namespace qarvo::ui::detail {

bool SetRecordText(WindowRecord& rec, const QString& text);
QString RecordText(const WindowRecord& rec);

}  // namespace qarvo::ui::detail
