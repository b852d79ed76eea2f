// A broadcast of today's service followed in the viewer as one of the old service is: the
// first batch, then every comment the clock posts, each once, into the page's comment file.

#include "tests/viewer/script/viewer_script.h"

#include <fstream>
#include <regex>
#include <iterator>
#include <sstream>

namespace scripttest {
namespace {

namespace fs = std::filesystem;

class LiveFollow : public ViewerScript {
protected:
    nicosim::Options simOptions() const override
    {
        nicosim::Options options = ViewerScript::simOptions();
        options.livePushMs = 100;
        options.liveSegmentMs = 1000;
        options.liveViewMs = 3000;
        return options;
    }
};

// The comment numbers of every comment file the viewer wrote, in file order.
std::vector<int> numbersInCommentFiles(const fs::path& root)
{
    std::vector<int> numbers;
    // "YYYY/MM/DD_hh:mm:ss 匿名 mmm:ss NUMBER ...".
    const std::regex number(R"(^\S+ \S+ \d{3,}:\d\d (\d+) )");
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".txt" ||
            entry.path().filename().string().find("lv1") == std::string::npos)
            continue;
        // The file is UTF-16 (little-endian, with its mark); the numbers are ASCII, so the
        // other characters may stand as '?'.
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        std::string ascii;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            ascii += bytes[i + 1] == 0 && bytes[i] > 0 ? bytes[i] : '?';
        std::istringstream lines(ascii);
        std::string line;
        while (std::getline(lines, line)) {
            std::smatch m;
            if (std::regex_search(line, m, number))
                numbers.push_back(std::stoi(m[1]));
        }
    }
    return numbers;
}

TEST_F(LiveFollow, TodaysBroadcastFlowsLikeTheOldOne)
{
    WriteSettings({{"get_tag", "0"}});
    const int status = RunViewer(R"(
settext 1001 lv1~modern
press 1
waitfor 13001 生成 20000
wait 5000
dump following
)");
    EXPECT_EQ(status, 0);
    std::string seen;
    for (const QJsonObject& line : Desktop())
        seen += line["kind"].toString().toStdString() + ": " + line["text"].toString().toStdString() + "\n";
    EXPECT_EQ(Log().find("failed"), std::string::npos) << Log() << seen << Text(Control(Window(Dump("following"), 101), 13001));
    EXPECT_EQ(Control(Window(Dump("following"), 101), 13002)["items"].toArray().size(), 2);

    const std::vector<int> numbers = numbersInCommentFiles(m_work);
    ASSERT_GT(numbers.size(), 20u) << "the clock posts ten a second";
    for (size_t i = 1; i < numbers.size(); ++i)
        ASSERT_EQ(numbers[i], numbers[i - 1] + 1) << "at " << i;
}

}  // namespace
}  // namespace scripttest
