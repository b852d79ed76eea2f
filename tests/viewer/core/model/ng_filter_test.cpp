#include <gtest/gtest.h>

#include "viewer/core/model/ng_filter.h"

using namespace pelmora::viewer;
using qarvo::C_WString;

namespace {

bool hides(const NgFilter& f, const char16_t* user, const char16_t* text)
{
    return f.Matches(C_WString(user), C_WString(text));
}

}  // namespace

TEST(NgFilter, RulesOfEachKind)
{
    std::vector<std::string> errors;
    const auto f = NgFilter::FromText("\xEF\xBB\xBF# comment\r\nuser:abc123\r\n\r\nword:SPAM\nword:ｗｗ\n"
                                      "word:hers\nword:she\nregex:^[0-9]{4}$\nregex:(a+)+$\n",
                                      &errors);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(f->RuleCount(), 7u);
    EXPECT_TRUE(hides(*f, u"abc123", u"hello"));
    EXPECT_FALSE(hides(*f, u"abc1234", u"hello"));
    // Words: ASCII letters in any case; other characters as written.
    EXPECT_TRUE(hides(*f, u"x", u"buy sPaM now"));
    EXPECT_TRUE(hides(*f, u"x", u"草ｗｗｗ"));
    EXPECT_FALSE(hides(*f, u"x", u"草ＷＷ"));
    // Overlapping words are all found ("ushers" holds "she" and "hers").
    EXPECT_TRUE(hides(*f, u"x", u"ushers"));
    EXPECT_TRUE(hides(*f, u"x", u"sHe"));
    EXPECT_FALSE(hides(*f, u"x", u"sh e"));
    EXPECT_TRUE(hides(*f, u"x", u"1234"));
    EXPECT_FALSE(hides(*f, u"x", u"12345"));
    // A pattern that backtracking engines take exponential time on is linear here.
    EXPECT_FALSE(hides(*f, u"x", std::u16string(5000, u'a').append(u"!").c_str()));
    EXPECT_FALSE(NgFilter::FromText("", nullptr)->Matches(C_WString(u"a"), C_WString(u"b")));
}

TEST(NgFilter, BrokenLinesAreReportedAndSkipped)
{
    std::vector<std::string> errors;
    const auto f = NgFilter::FromText("regex:(unclosed\nword:ok\nnonsense\nuser:\nregex:[z-a]\n", &errors);
    ASSERT_EQ(errors.size(), 4u);
    EXPECT_EQ(errors[0].rfind("1 行目", 0), 0u) << errors[0];
    EXPECT_EQ(errors[2].rfind("4 行目", 0), 0u) << errors[2];
    EXPECT_EQ(f->RuleCount(), 1u);
    EXPECT_TRUE(hides(*f, u"x", u"OK then"));
    EXPECT_EQ(NgUserRule(C_WString(u"ユーザー1")), "user:ユーザー1");
}
