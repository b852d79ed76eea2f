// The comment information dialog as a user sees it: a click on a flowing comment of sm9, the
// dialog's fields and list, the report text, the report page and marking the user as NG.

#include "tests/viewer/script/viewer_script.h"

#include <fstream>
#include <iterator>
#include <regex>

namespace scripttest {
namespace {

using CommentInfo = ViewerScript;

TEST_F(CommentInfo, FlowingCommentReportAndNg)
{
    WriteSettings({{"get_tag", "0"}});
    const int status = RunViewer(R"(
settext 1001 sm9
press 1
waitfor 13001 生成 15000
wait 1200
click 1020
waitfor 1049 1 5000
wait 300
dump info
press 1051
press 1052
press 1056
wait 300
dump ng
)");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Log().find("failed"), std::string::npos) << Log();

    const QJsonObject dialog = Window(Dump("info"), 102);
    ASSERT_FALSE(dialog.isEmpty());
    EXPECT_EQ(dialog["title"].toString(), "コメント情報");
    // "[YYYY/MM/DD hh:mm:ss] mm:ss" then the text on the next line.
    const std::string selected = Text(Control(dialog, 1047));
    EXPECT_TRUE(std::regex_search(selected, std::regex(R"(^\[\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\] \d\d:\d\d\r\n.)")))
        << selected;
    const std::string user = Text(Control(dialog, 1048));
    const std::string number = Text(Control(dialog, 1049));
    EXPECT_FALSE(user.empty());
    const QJsonObject list = Control(dialog, 1054);
    EXPECT_EQ(list["columns"].toArray(), (QJsonArray{"コメ番号", "状態", "位置", "Script", "コメント"}));
    const QJsonArray rows = list["rows"].toArray();
    const QJsonArray checked = list["rowChecked"].toArray();
    ASSERT_GE(rows.size(), 1);
    EXPECT_EQ(Text(Control(dialog, 1050)), std::to_string(rows.size()));
    int ticked = 0;
    for (int i = 0; i < rows.size(); ++i) {
        const QJsonArray cells = rows[i].toArray();
        if (i > 0) {  // sorted by number, descending as text
            EXPECT_GT(rows[i - 1][0].toString(), cells[0].toString());
        }
        EXPECT_EQ(checked[i].toBool(), cells[0].toString().toStdString() == number) << i;
        EXPECT_EQ(cells[1].toString(), "-");
        ticked += checked[i].toBool() ? 1 : 0;
    }
    EXPECT_EQ(ticked, 1);

    const std::vector<QJsonObject> desktop = Desktop();
    ASSERT_EQ(desktop.size(), 3u);
    const std::string numbers = rows.size() == 1 ? "該当ＩＤ全て" : number;
    const std::string report = "【該当URL】http://www.nicovideo.jp/watch/sm9\n【ユーザーID】" + user + "\n【コメ番号】" +
                               numbers + "\n【依頼理由】不適切なコメントの為\n";
    EXPECT_EQ(desktop[0]["kind"].toString(), "clipboard");
    EXPECT_EQ(desktop[0]["text"].toString().toStdString(), report);
    EXPECT_EQ(desktop[1]["caption"].toString(), "ご報告");
    EXPECT_EQ(desktop[1]["text"].toString().toStdString(), "クリップボードに下記内容をコピーしました。\n\n" + report);
    EXPECT_EQ(desktop[1]["icon"].toString(), "information");
    EXPECT_EQ(desktop[2]["address"].toString(), "http://forum.nicovideo.jp/delete/comment/");

    // "このユーザーをNG" writes the rule and the rows say so.
    std::ifstream file(m_work / "list" / "ng.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "user:" + user + "\n");
    for (const QJsonValue& row : Control(Window(Dump("ng"), 102), 1054)["rows"].toArray())
        EXPECT_EQ(row[1].toString(), "NG");
}

}  // namespace
}  // namespace scripttest
