#pragma once
// The report of unsuitable comments that the comment information dialog copies for the
// service's report form, and the order of its list's columns.

#include <vector>

#include "qarvo/text/string.h"

namespace pelmora::viewer {

struct ReportRow {
    qarvo::C_WString number;  // the comment number as the list shows it
    bool ticked = false;
    bool deleted = false;
};

// "【該当URL】address\n【ユーザーID】user\n【コメ番号】...\n【依頼理由】不適切なコメントの為\n". The
// numbers are those of the ticked rows, in row order, joined by "," in lines ended once they
// pass 48 characters; no ticked row, or every row but the deleted ones ticked, is
// "該当ＩＤ全て".
qarvo::C_WString BuildReportTemplate(const qarvo::C_WString& address, const qarvo::C_WString& userId,
                                     const std::vector<ReportRow>& rows);

// The list's sort order: the first 59 code units compared as unsigned numbers, so numbers sort
// as text ("100" before "99"). -1, 0 or 1.
int CompareListCells(const qarvo::C_WString& a, const qarvo::C_WString& b);

}  // namespace pelmora::viewer
