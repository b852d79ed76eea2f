#pragma once

#include <QImage>

#include "viewer/ui/bitmap.h"

namespace qarvo::ui {

struct C_Bitmap::Impl {
    QImage image;
};

namespace detail {
using BitmapImpl = C_Bitmap::Impl;
}

}  // namespace qarvo::ui
