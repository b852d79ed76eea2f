#include <gtest/gtest.h>

#include "viewer/core/model/report_template.h"

using namespace pelmora::viewer;
using qarvo::C_WString;

namespace {

const C_WString kHead(u"【該当URL】http://x/watch/sm9\n【ユーザーID】u1\n");
const C_WString kReason(u"【依頼理由】不適切なコメントの為\n");

C_WString report(const std::vector<ReportRow>& rows)
{
    return BuildReportTemplate(C_WString(u"http://x/watch/sm9"), C_WString(u"u1"), rows);
}

}  // namespace

TEST(ReportTemplate, AllOfTheUserOrTheTickedNumbers)
{
    const C_WString all = kHead + u"【コメ番号】該当ＩＤ全て\n" + kReason;
    // Nothing ticked, and every live row ticked (the deleted one cannot be), mean the same.
    EXPECT_EQ(report({{C_WString(u"5"), false, false}, {C_WString(u"3"), false, true}}), all);
    EXPECT_EQ(report({{C_WString(u"5"), true, false}, {C_WString(u"4"), true, false}, {C_WString(u"3"), false, true}}), all);
    EXPECT_EQ(report({{C_WString(u"5"), false, false}, {C_WString(u"4"), true, false}}),
              kHead + u"【コメ番号】4\n" + kReason);

    // Twenty ticked numbers of five digits among more rows: a line ends after the number
    // that takes it past 48 characters (nine numbers and their commas are 54).
    std::vector<ReportRow> many;
    for (int i = 0; i < 20; ++i)
        many.push_back({C_WString::Stringf(u"%d", 10000 + i), true, false});
    many.push_back({C_WString(u"1"), false, false});
    const C_WString text = report(many);
    EXPECT_EQ(text, kHead + u"【コメ番号】10000,10001,10002,10003,10004,10005,10006,10007,10008,\n" +
                        u"10009,10010,10011,10012,10013,10014,10015,10016,10017,\n10018,10019\n" + kReason);
}

TEST(ReportTemplate, CellsCompareAsUnsignedText)
{
    EXPECT_EQ(CompareListCells(C_WString(u"100"), C_WString(u"99")), -1);
    EXPECT_EQ(CompareListCells(C_WString(u"99"), C_WString(u"100")), 1);
    EXPECT_EQ(CompareListCells(C_WString(u"12"), C_WString(u"123")), -1);
    EXPECT_EQ(CompareListCells(C_WString(u"a"), C_WString(u"a")), 0);
    // Above the surrogates: unsigned, so U+FF01 sorts after U+D83D.
    EXPECT_EQ(CompareListCells(C_WString(u"\uFF01"), C_WString(u"\U0001F600")), 1);
    // Only the first 59 units count.
    EXPECT_EQ(CompareListCells(C_WString(std::u16string(59, u'x') + u"a"), C_WString(std::u16string(59, u'x') + u"b")), 0);
}
