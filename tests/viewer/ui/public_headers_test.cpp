// The layer's public headers stand alone and bring no Qt with them: the core includes them.

#include "viewer/ui/bitmap.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/desktop.h"
#include "viewer/ui/dialog.h"
#include "viewer/ui/dialog_template.h"
#include "viewer/ui/font.h"
#include "viewer/ui/main_wnd.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/notify.h"
#include "viewer/ui/screenshot.h"
#include "viewer/ui/types.h"
#include "viewer/ui/window.h"

#if defined(QT_VERSION) || defined(QT_CORE_LIB_H) || defined(QGLOBAL_H)
#error "a public header of the window layer pulls in Qt"
#endif

#include <gtest/gtest.h>

namespace {

using namespace qarvo::ui;

TEST(PublicHeaders, MessageNumbersAndPackingAreTheClassicOnes)
{
    static_assert(WM_COMMAND == 273 && WM_NOTIFY == 78 && WM_CLOSE == 16 && WM_DESTROY == 2 && WM_SIZE == 5);
    static_assert(WM_INITDIALOG == 272 && WM_SHOWWINDOW == 24 && WM_SETCURSOR == 32 && WM_LBUTTONDOWN == 513);
    static_assert(WM_USER == 1024 && WM_CTLCOLORSTATIC == 312 && TCN_SELCHANGE == -551 && CBN_SELCHANGE == 1);
    static_assert(WM_USER + 0x432 == 0x832);
    // The delayed fetch command: id 25567 in the low word, the renew flag in the high word.
    EXPECT_EQ(MakeWParam(25567, 1), 0x163DFu);
    EXPECT_EQ(LowWord(0x163DFu), 25567u);
    EXPECT_EQ(HighWord(0x163DFu), 1u);
    EXPECT_EQ(MakeLParam(0, 100), 0x640000);
    // 0x00BBGGRR: 0xFF0000 is blue.
    EXPECT_EQ(Rgb(0, 0, 255), 0xFF0000u);
    EXPECT_EQ(IndexToStateImageMask(2), 0x2000u);
    EXPECT_EQ(StateImageMaskToIndex(0x1000u | LVIS_SELECTED), 1u);
}

}  // namespace
