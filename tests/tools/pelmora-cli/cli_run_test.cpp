#include <gtest/gtest.h>

#include <unistd.h>

#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// Runs pelmora-cli through the shell in its own temporary folder and collects its output.
class CliRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("pelmora-cli-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
                 std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string file(const std::string& name, const std::string& content)
    {
        std::ofstream(m_dir / name, std::ios::binary) << content;
        return (m_dir / name).string();
    }

    static std::string slurp(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    // The exit status; stdout and stderr land in out / err.
    int run(const std::string& args)
    {
        const std::string command = "cd '" + m_dir.string() + "' && TZ=UTC '" PELMORA_CLI_PATH "' " + args +
                                    " > '" + (m_dir / "stdout").string() + "' 2> '" + (m_dir / "stderr").string() +
                                    "'";
        const int status = std::system(command.c_str());
        out = slurp(m_dir / "stdout");
        err = slurp(m_dir / "stderr");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static int lines(const std::string& text)
    {
        int n = 0;
        for (char c : text)
            n += c == '\n';
        return n;
    }

    fs::path m_dir;
    std::string out;
    std::string err;
};

// Two comments: 2010-05-03 07:08:09 UTC is 1272870489 (Python: calendar.timegm), vpos 12345
// is 2 min 3 s; the second one is deleted.
const char* kSmallFile =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<packet><thread thread=\"1\" last_res=\"2\"/>"
    "<chat thread=\"1\" no=\"7\" vpos=\"12345\" date=\"1272870489\" mail=\"184\" user_id=\"abc\" premium=\"1\" "
    "anonymity=\"1\">x &lt;3 &amp; \"q\"</chat>"
    "<chat thread=\"1\" no=\"8\" vpos=\"100\" date=\"1272870490\" deleted=\"1\"/></packet>\n";

}  // namespace

TEST_F(CliRun, DecodePrintsTheCommentFileLines)
{
    const std::string path = file("small.xml", kSmallFile);
    ASSERT_EQ(run("--library '" PELMORA2_PATH "' decode '" + path + "'"), 0) << err;
    EXPECT_EQ(out,
              "2010/05/03_07:08:09 匿名 002:03 7 プレミアム abc 184 x <3 & \"q\"\r\n"
              "2010/05/03_07:08:10 公開 000:01 8 一般  削除済み \r\n");
    EXPECT_EQ(err, "");
}

TEST_F(CliRun, DecodePrintsJsonLines)
{
    const std::string path = file("small.xml", kSmallFile);
    ASSERT_EQ(run("--format jsonl --library '" PELMORA2_PATH "' decode '" + path + "'"), 0) << err;
    EXPECT_EQ(out,
              "{\"no\":7,\"vpos\":12345,\"date\":1272870489,\"mail\":\"184\",\"mail184\":184,\"deleted\":0,"
              "\"premium\":1,\"anonymity\":1,\"user_id\":\"abc\",\"thread\":\"1\",\"text\":\"x <3 & \\\"q\\\"\"}\n"
              "{\"no\":8,\"vpos\":100,\"date\":1272870490,\"mail\":\"\",\"mail184\":0,\"deleted\":1,"
              "\"premium\":0,\"anonymity\":0,\"user_id\":\"\",\"thread\":\"1\",\"text\":\"\"}\n");
}

TEST_F(CliRun, FindsTheLibraryBesideItself)
{
    // The temporary folder has no dll/ of its own.
    const std::string path = file("small.xml", kSmallFile);
    ASSERT_EQ(run("decode small.xml"), 0) << err;
    EXPECT_EQ(lines(out), 2);
}

TEST_F(CliRun, FailuresReportTheEngineCode)
{
    EXPECT_EQ(run("decode missing.xml"), 6);
    EXPECT_NE(err.find("code 6"), std::string::npos) << err;
    file("notes.txt", "hello");
    EXPECT_EQ(run("decode notes.txt"), 5);
    EXPECT_NE(err.find("code 5"), std::string::npos) << err;
    EXPECT_EQ(out, "");
}

TEST_F(CliRun, MissingLibraryOrExportIsItsOwnError)
{
    file("small.xml", kSmallFile);
    EXPECT_EQ(run("--library '" + (m_dir / "none.so").string() + "' decode small.xml"), 64);
    EXPECT_NE(err.find("cannot load"), std::string::npos) << err;
    // A real library that lacks the engine's functions.
    EXPECT_EQ(run("--library libm.so.6 decode small.xml"), 64);
    EXPECT_NE(err.find("startParse"), std::string::npos) << err;
    EXPECT_EQ(run("decode"), 65);
    EXPECT_NE(err.find("usage"), std::string::npos);
}

TEST_F(CliRun, FetchAndFollowALiveJob)
{
    // The engine's generator mode needs no network; a live address takes the live loop, and
    // following it wakes it once a second for new batches of a thousand comments.
    ASSERT_EQ(run("--format jsonl fetch http://live.nicovideo.jp/watch/lv1 --mode dumy_debug --follow 3"), 0) << err;
    const int n = lines(out);
    EXPECT_GE(n, 2000);
    EXPECT_EQ(n % 1000, 0);

    ASSERT_EQ(run("fetch http://www.nicovideo.jp/watch/sm9 --mode dumy_debug --xml out.xml"), 0) << err;
    EXPECT_EQ(lines(out), 1000);
    EXPECT_TRUE(fs::exists(m_dir / "out.xml"));
    EXPECT_EQ(run("fetch sm9 --mode dumy_debug --xml '" + (m_dir / "no" / "such" / "o.xml").string() + "'"), 66);
}
