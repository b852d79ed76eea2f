// Fonts: the fallback chain, the cell height, and string widths as sums of character advances.

#include <QFontInfo>
#include <QFontMetrics>

#include "tests/viewer/ui/ui_test_support.h"
#include "viewer/ui/font.h"
#include "viewer/ui/qt/font_impl.h"
#include "viewer/ui/qt/qt_string.h"
#include "viewer/ui/window.h"

namespace uitest {
namespace {

using qarvo::C_WString;
using qarvo::ui::C_WFont;

const C_WString kNoto(u"Noto Sans CJK JP");

bool notoInstalled()
{
    return QFontInfo(QFont(QStringLiteral("Noto Sans CJK JP"))).family() == QStringLiteral("Noto Sans CJK JP");
}

using Fonts = UiTest;

TEST_F(Fonts, MissingFaceFallsBackAndSaysWhichFaceWasUsed)
{
    if (!notoInstalled())
        GTEST_SKIP() << "fonts-noto-cjk is not installed";
    C_WFont link;
    ASSERT_EQ(link.MakeFontEx(C_WString(u"メイリオ"), 18, 0, false, true, false), 1);
    // Neither "メイリオ" nor "ＭＳＰ ゴシック" exists here; the chain ends at Noto Sans CJK JP.
    EXPECT_EQ(link.GetFontFace(), kNoto);
    EXPECT_NE(link.GetFontFace().Left(4), C_WString(u"メイリオ"));
    EXPECT_EQ(QFontInfo(detail::QFontOf(link)).family(), QStringLiteral("Noto Sans CJK JP"));
    EXPECT_TRUE(link.IsUnderlined());
    EXPECT_FALSE(link.IsItaric());
    EXPECT_FALSE(link.IsDellined());
    EXPECT_EQ(link.GetFontWeight(), 400) << "weight 0 is normal";

    C_WFont direct(kNoto, 12);
    EXPECT_EQ(direct.GetFontFace(), kNoto);

    // A face nobody has and no fallback: still a font, with the family really used.
    C_WFont odd;
    ASSERT_EQ(odd.MakeFontEx(C_WString(u"No Such Face 123"), -14, 700, true, false, true), 1);
    EXPECT_FALSE(odd.GetFontFace().IsEmpty());
    EXPECT_EQ(odd.GetFontWeight(), 700);
    EXPECT_TRUE(odd.IsItaric());
    EXPECT_TRUE(odd.IsDellined());
}

TEST_F(Fonts, PositiveHeightIsTheCellHeightNegativeTheCharacterHeight)
{
    for (int height : {12, 16, 18, 20, 22}) {
        C_WFont font(kNoto, height);
        SCOPED_TRACE(height);
        EXPECT_LE(font.GetFontHeight(), height);
        EXPECT_GE(font.GetFontHeight(), height - 3) << "the largest size that fits";
        EXPECT_EQ(font.GetFontHeight(), font.GetFontAscent() + font.GetFontDescent());
    }
    C_WFont em;
    em.MakeFontEx(kNoto, -11, 400, false, false, false);
    EXPECT_EQ(detail::QFontOf(em).pixelSize(), 11);
    // Bigger asks give bigger fonts.
    EXPECT_LT(C_WFont(kNoto, 12).GetFontHeight(), C_WFont(kNoto, 20).GetFontHeight());
}

TEST_F(Fonts, StringWidthIsTheSumOfCharacterAdvances)
{
    C_WFont font(kNoto, 20);
    EXPECT_EQ(font.GetStringWidth(C_WString()), 0);
    const QFontMetrics metrics(detail::QFontOf(font));
    const int a = metrics.horizontalAdvance(QChar(u'a'));
    const int b = metrics.horizontalAdvance(QChar(u'b'));
    EXPECT_GT(a, 0);
    EXPECT_EQ(font.GetStringWidth(C_WString(u"ab")), a + b);
    const int kanji = metrics.horizontalAdvance(QChar(u'字'));
    EXPECT_EQ(font.GetStringWidth(C_WString(u"漢字 ★")),
              metrics.horizontalAdvance(QChar(u'漢')) + kanji + metrics.horizontalAdvance(QChar(u' ')) +
                  metrics.horizontalAdvance(QChar(u'★')));
    // A character outside the basic plane counts once, not as two halves.
    const QString pair = QString::fromUtf16(u"😀");
    EXPECT_EQ(font.GetStringWidth(C_WString(u"😀")), metrics.horizontalAdvance(pair));
    EXPECT_EQ(C_WFont().GetStringWidth(C_WString(u"ab")), 0) << "no font, no width";
}

TEST_F(Fonts, CopiesAreIndependentAndDefaultFontExists)
{
    C_WFont original(kNoto, 18);
    C_WFont copy = original;
    EXPECT_EQ(copy.GetFontHeight(), original.GetFontHeight());
    EXPECT_EQ(copy.GetFontFace(), original.GetFontFace());
    original.DeleteFont();
    EXPECT_TRUE(original.IsNull());
    EXPECT_FALSE(copy.IsNull());
    EXPECT_EQ(copy.GetStringWidth(C_WString(u"a")) > 0, true);

    C_WFont moved = std::move(copy);
    EXPECT_FALSE(moved.IsNull());
    copy = moved;
    EXPECT_EQ(copy.GetFontFace(), moved.GetFontFace());

    const C_WFont fallback = C_WFont::GetDefaultFont();
    EXPECT_FALSE(fallback.IsNull());
    EXPECT_GT(fallback.GetFontHeight(), 0);
}

TEST_F(Fonts, FontOnAControlMatchesWhatWidthsAreMeasuredWith)
{
    const WindowHandle main = CreateDialogFromTemplate(IDD_MAIN, 0, nullptr, 0);
    const WindowHandle page = CreateDialogFromTemplate(IDD_VIDEO_PAGE, main, nullptr, 0);
    C_WFont flow;
    flow.MakeFontEx(C_WString(u"メイリオ"), 20, 10, false, false, false);
    const WindowHandle label = GetDlgItem(page, 1020);
    ASSERT_TRUE(SetWindowFont(label, flow));
    const QFontMetrics shown(WidgetOf(label)->font());
    EXPECT_EQ(shown.horizontalAdvance(QChar(u'字')), QFontMetrics(detail::QFontOf(flow)).horizontalAdvance(QChar(u'字')));
    EXPECT_FALSE(SetWindowFont(label, C_WFont()));
}

}  // namespace
}  // namespace uitest
