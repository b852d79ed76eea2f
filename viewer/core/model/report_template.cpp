#include "viewer/core/model/report_template.h"

#include <algorithm>
#include <cstdint>

namespace pelmora::viewer {

using qarvo::C_WString;

namespace {

constexpr int kNumbersPerLine = 48;   // a number line is ended once longer than this
constexpr int kFormattedLimit = 4096;
constexpr int kSortTextLimit = 59;    // a 60-unit buffer with its terminator

}  // namespace

C_WString BuildReportTemplate(const C_WString& address, const C_WString& userId, const std::vector<ReportRow>& rows)
{
    std::vector<C_WString> numbers;
    int deletedUnticked = 0;
    for (const ReportRow& row : rows) {
        if (row.ticked)
            numbers.push_back(row.number);
        else if (row.deleted)
            ++deletedUnticked;
    }
    C_WString text = C_WString::Stringf(u"【該当URL】%s\n【ユーザーID】%s\n", address.c_str(), userId.c_str());
    if (text.Length() > kFormattedLimit)
        text = text.Left(kFormattedLimit);
    const int ticked = static_cast<int>(numbers.size());
    if (ticked == 0 || static_cast<int>(rows.size()) - deletedUnticked == ticked) {
        text += u"【コメ番号】該当ＩＤ全て\n";
    } else {
        text += u"【コメ番号】";
        C_WString line;
        for (int i = 0; i < ticked; ++i) {
            line += numbers[static_cast<size_t>(i)];
            if (i + 1 < ticked)
                line += u",";
            if (line.Length() > kNumbersPerLine) {
                text += line + u"\n";
                line.Clear();
            }
        }
        text += line + u"\n";
    }
    text += u"【依頼理由】不適切なコメントの為\n";
    return text;
}

int CompareListCells(const C_WString& a, const C_WString& b)
{
    const int la = std::min(a.Length(), kSortTextLimit), lb = std::min(b.Length(), kSortTextLimit);
    for (int i = 0; i < std::min(la, lb); ++i)
        if (a.c_str()[i] != b.c_str()[i])
            return static_cast<uint16_t>(a.c_str()[i]) < static_cast<uint16_t>(b.c_str()[i]) ? -1 : 1;
    return la == lb ? 0 : la < lb ? -1 : 1;
}

}  // namespace pelmora::viewer
