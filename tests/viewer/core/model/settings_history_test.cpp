#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "qarvo/charcode/system_charcode.h"
#include "viewer/core/model/address_history.h"
#include "viewer/core/model/settings.h"

using namespace pelmora::viewer;
using qarvo::C_String;
using qarvo::C_WString;
namespace fs = std::filesystem;
namespace S = pelmora::viewer::settings;

TEST(SettingsBounds, DialogFallbacks)
{
    EXPECT_EQ(S::BoundCommentInterval(7), 30);
    EXPECT_EQ(S::BoundCommentInterval(8), 8);
    EXPECT_EQ(S::BoundCommentInterval(86400), 86400);
    EXPECT_EQ(S::BoundCommentInterval(86401), 30);
    EXPECT_EQ(S::BoundLiveInterval(0), 1);
    EXPECT_EQ(S::BoundLiveInterval(11), 1);
    EXPECT_EQ(S::BoundLiveInterval(10), 10);
    // The tag fallback is 10, not the start-up default 20.
    EXPECT_EQ(S::BoundTagInterval(4), 10);
    EXPECT_EQ(S::ParseEditNumber(C_WString(u"")), 0);
    EXPECT_EQ(S::ParseEditNumber(C_WString(u"x")), 0);
    EXPECT_EQ(S::ParseEditNumber(C_WString(u"99999999999999999999")) > 86400, true);
}

TEST(SettingsBounds, IntervalsToMilliseconds)
{
    EXPECT_EQ(S::IntervalToMillis(0), 0);
    EXPECT_EQ(S::IntervalToMillis(86400), 86400000);
    EXPECT_EQ(S::IntervalToMillis(86401), 20000);
    EXPECT_EQ(S::IntervalToMillis(-5), 20000);
}

class HistoryFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("pv-hist-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        file = dir / "list.txt";
        wfile = qarvo::common::System::utf8_to_utf16(C_String(file.string()));
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string contents() const
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    fs::path dir, file;
    C_WString wfile;
};

TEST_F(HistoryFile, AppendEndsAnOpenLineFirst)
{
    {
        std::ofstream out(file, std::ios::binary);
        out << "sm1 first title";  // no line end
    }
    AddressHistory h;
    ASSERT_TRUE(h.Load(wfile));
    EXPECT_EQ(h.TitleOf(C_WString(u"sm1")), C_WString(u"first title"));
    ASSERT_TRUE(h.Append(wfile, C_WString(u"sm9"), C_WString(u"新作")));
    EXPECT_EQ(contents(), "sm1 first title\r\nsm9 \xE6\x96\xB0\xE4\xBD\x9C\r\n");

    AddressHistory again;
    ASSERT_TRUE(again.Load(wfile));
    EXPECT_EQ(again.Entries().size(), 2u);
    EXPECT_EQ(again.TitleOf(C_WString(u"sm9")), C_WString(u"新作"));
    EXPECT_EQ(AddressHistory::EntryText(C_WString(u"sm9"), C_WString(u"新作")), C_WString(u"sm9 新作"));
}

TEST_F(HistoryFile, MissingFileAndBlankLines)
{
    AddressHistory h;
    EXPECT_FALSE(h.Load(wfile));
    EXPECT_TRUE(h.Entries().empty());
    ASSERT_TRUE(h.Append(wfile, C_WString(u"sm2"), C_WString(u"t")));
    EXPECT_EQ(contents(), "sm2 t\r\n");
    C_WString id, title;
    EXPECT_FALSE(AddressHistory::ParseLine(C_WString(u"   "), &id, &title));
    EXPECT_TRUE(AddressHistory::ParseLine(C_WString(u" sm3   a b "), &id, &title));
    EXPECT_EQ(id, C_WString(u"sm3"));
    EXPECT_EQ(title, C_WString(u"a b"));
}
