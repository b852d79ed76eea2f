#pragma once

#include <QFont>

#include "viewer/ui/font.h"

namespace qarvo::ui {

struct C_WFont::Impl {
    QFont font;
    int height = 0;
    int ascent = 0;
    int descent = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QString face;  // the family really used
};

namespace detail {
// The toolkit font of a C_WFont; the application's default font for an empty one.
QFont QFontOf(const C_WFont& font);
}

}  // namespace qarvo::ui
