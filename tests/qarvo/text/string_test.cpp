#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "qarvo/qarvo.h"

using namespace qarvo;
using qarvo::common::MakePointer;
using qarvo::common::Pointer;

TEST(StringIndex, SearchConventions)
{
    C_String s("hello world");
    EXPECT_EQ(s.IndexOf("o"), 4);
    EXPECT_EQ(s.IndexOf("o", 5), 7);
    EXPECT_EQ(s.IndexOf("x"), -1);
    // Starting at the length (or beyond, or before 0) finds nothing and reads nothing.
    EXPECT_EQ(s.IndexOf("x", s.Length()), -1);
    EXPECT_EQ(s.IndexOf("d", s.Length()), -1);
    EXPECT_EQ(s.IndexOf("h", -1), -1);
    EXPECT_EQ(s.IndexOf(static_cast<const char*>(nullptr)), -1);
    EXPECT_EQ(s.IndexOf('w', 0), 6);
    EXPECT_EQ(s.LastIndexOf("o"), 7);
    EXPECT_EQ(s.LastIndexOf("o", 6), 4);
    EXPECT_EQ(C_String().IndexOf(""), -1);

    int which = -1;
    EXPECT_EQ(s.IndexOfWhich({"wor", "llo", "zz"}, 0, &which), 2);
    EXPECT_EQ(which, 1);
    C_String quoted("a=\"x=y\" b=z");
    EXPECT_EQ(quoted.IndexOfSkipQuote("="), 1);
    EXPECT_EQ(quoted.IndexOfSkipQuote("=", 2), 9);
}

TEST(StringIndex, SubStringIsInclusive)
{
    C_String s("abcdef");
    EXPECT_EQ(s.SubString(1, 3), C_String("bcd"));
    EXPECT_EQ(s.SubString(2, 1), C_String(""));
    EXPECT_EQ(s.SubString(0, s.Length()), C_String("abcdef"));
    EXPECT_EQ(s.SubString(0, s.Length() - 1), C_String("abcdef"));
    EXPECT_EQ(s.SubString(0, s.Length() + 1), C_String(""));
    EXPECT_EQ(s.SubString(-1, 2), C_String(""));
    EXPECT_EQ(s.SubString(6, 6), C_String(""));
    EXPECT_EQ(s.SubString(4), C_String("ef"));
    EXPECT_EQ(s.SubString(6), C_String(""));
    EXPECT_EQ(s.SubString(-2), C_String(""));
}

TEST(StringEnclose, MarkersFoundAndMissing)
{
    // Begin marker "<a>" (3 bytes) at 1, end marker "</a>" (4 bytes) at 5: one character at 4.
    C_String s("x<a>Y</a>tail");
    int next = 0;
    EXPECT_EQ(s.Enclose("<a>", "</a>", 0, &next), C_String("Y"));
    EXPECT_EQ(next, 9);
    EXPECT_EQ(s.Enclose("<a>", "</a>", 0, &next, 1), C_String("<a>Y</a>"));
    EXPECT_EQ(next, 9);

    C_String open("x<a>Yrest");
    EXPECT_EQ(open.Enclose("<a>", "</a>", 0, &next), C_String("Yrest"));
    EXPECT_EQ(next, -1);
    EXPECT_EQ(open.Enclose("<a>", "</a>", 0, &next, 1), C_String("<a>Yrest</a>"));

    EXPECT_EQ(s.Enclose("<b>", "</b>", 0, &next), C_String(""));
    EXPECT_EQ(next, -1);
    EXPECT_EQ(s.Enclose("<b>", "</b>", 0, nullptr, 1), C_String("<b></b>"));

    // Walking a list with the next position.
    C_String list("[1][22][333]");
    std::vector<std::string> got;
    for (int pos = 0; pos >= 0;) {
        C_String item = list.Enclose("[", "]", pos, &pos);
        if (item.IsEmpty())
            break;
        got.push_back(item.std());
    }
    EXPECT_EQ(got, (std::vector<std::string>{"1", "22", "333"}));
}

TEST(StringEdit, TrimReplaceSqueeze)
{
    EXPECT_EQ(C_String("   ").Trim(), C_String(""));
    EXPECT_EQ(C_String("\t a b \r\n").Trim(), C_String("a b"));
    // Bytes of 128 and above are text, not blanks.
    C_String high("\x81\x40x\x81\x40");
    EXPECT_EQ(C_String(high).Trim(), high);
    EXPECT_EQ(C_String("a--b--c").Replace("--", "+"), C_String("a+b+c"));
    EXPECT_EQ(C_String("aaa").Replace("a", "aa"), C_String("aaaaaa"));
    EXPECT_EQ(C_String("live.x.live").ReplaceFirst("live", "www"), C_String("www.x.live"));
    EXPECT_EQ(C_WString(u"a   b  c").Squeeze(), C_WString(u"a b c"));
    EXPECT_EQ(C_String("MiXed").ToLower(), C_String("mixed"));
    EXPECT_EQ(C_String("xxabcxx").TrimChars("x"), C_String("abc"));
    EXPECT_TRUE(C_String("abc").StartsWith("ab"));
    EXPECT_TRUE(C_String("abc").EndsWith("bc"));
    EXPECT_FALSE(C_String("abc").StartsWith(static_cast<const char*>(nullptr)));
}

TEST(StringFormat, NarrowAndWide)
{
    EXPECT_EQ(C_String::Stringf("%s %d ori2", "http://x", 1000), C_String("http://x 1000 ori2"));
    // Longer than the 1024-byte stack buffer: formatted into an exact heap buffer.
    const std::string big(3000, 'z');
    EXPECT_EQ(C_String::Stringf("<%s>", big.c_str()).Length(), 3002);
    EXPECT_EQ(C_String::Stringf(nullptr), C_String(""));

    EXPECT_EQ(C_WString::Stringf(u"%s を生成しました。", u"a.txt"), C_WString(u"a.txt を生成しました。"));
    EXPECT_EQ(C_WString::Stringf(u"No.%d ～ No.%d", 3, 12), C_WString(u"No.3 ～ No.12"));
    EXPECT_EQ(C_WString::Stringf(u"%02d/%03d:%02d|%5s|%-3s|%%", 7, 2, 3, u"ab", u"c"),
              C_WString(u"07/002:03|   ab|c  |%"));
    EXPECT_EQ(C_WString::Stringf(u"%lld %u %x %hs", 9000000000LL, 4000000000u, 255, "nb"),
              C_WString(u"9000000000 4000000000 ff nb"));
    const std::u16string wide(2000, u'ア');
    EXPECT_EQ(C_WString::Stringf(u"%s!", wide.c_str()).Length(), 2001);
}

TEST(StringCodePage, Cp932RoundTrip)
{
    // "表示" in CP932 is 95 5C 8E A6 (iconv -f cp932 -t utf-16le): the trail byte 5C is '\'.
    const C_String sjis("\x95\x5C\x8E\xA6");
    const C_WString wide(sjis);
    EXPECT_EQ(wide, C_WString(u"表示"));
    EXPECT_EQ(wide.ToString(), sjis);
    // Invalid lead byte at the end and an undefined byte become U+FFFD, not a failure.
    EXPECT_EQ(C_WString(C_String("a\x81")), C_WString(u"a\uFFFD"));
    // Characters CP932 lacks become '?'.
    EXPECT_EQ(C_WString(u"x😀").ToString(), C_String("x?"));
    EXPECT_EQ(C_String("\xFF\x41").ToByteWString().Length(), 2);
    EXPECT_EQ(C_WString(u"A").ToByteString(), C_String(std::string("A\0", 2)));
}

TEST(StringArray, ParseStringPieces)
{
    C_ArrayString a;
    EXPECT_EQ(a.ParseString(C_String(""), ' '), 0);
    EXPECT_EQ(a.ParseString(C_String("whole"), ' '), 1);
    EXPECT_EQ(a[0], C_String("whole"));
    EXPECT_EQ(a.ParseString(C_String("a b"), ' '), 2);
    EXPECT_EQ(a.ParseString(C_String("a b "), ' '), 2);
    EXPECT_EQ(a.ParseString(C_String(" a"), ' '), 2);
    EXPECT_EQ(a[0], C_String(""));
    EXPECT_EQ(a.ParseString(C_String("a  b"), ' '), 3);
    EXPECT_EQ(a[1], C_String(""));
    // Reading past the end is an empty string, not a crash.
    EXPECT_EQ(a.GetString(99), C_String(""));

    C_WArrayString w;
    EXPECT_EQ(w.ParseString(C_WString(u"http://x 100 ori2"), u' '), 3);
    EXPECT_EQ(w[2], C_WString(u"ori2"));
}

TEST(IntegerParse, AtoiRules)
{
    EXPECT_EQ(C_Integer::ParseIntW(C_WString(u"")), -1);
    EXPECT_EQ(C_Integer::ParseIntW(C_WString(u"abc")), 0);
    EXPECT_EQ(C_Integer::ParseIntW(C_WString(u" 42x")), 42);
    EXPECT_EQ(C_Integer::ParseIntA(C_String("-17")), -17);
    EXPECT_EQ(C_Integer::ParseIntA(C_String("+5")), 5);
    EXPECT_EQ(C_Integer::ParseIntA(C_String("99999999999")), 2147483647);
    EXPECT_EQ(C_Integer::ParseInt64(C_String("1288000000123")), 1288000000123LL);
    EXPECT_EQ(qarvo_strtoint64("  -9000000000"), -9000000000LL);
    EXPECT_EQ(qarvo_strtoint64(static_cast<const char*>(nullptr)), 0);
    EXPECT_EQ(qarvo_hextoint_a("1a\r\n", 0, -1), 26);
    EXPECT_EQ(qarvo_hextoint_a("xxFF", 2, 2), 255);
    EXPECT_EQ(qarvo_hextoint_a("zz", 0, -1), 0);
}

TEST(Buffers, GrowAndKeep)
{
    C_Memory m;
    EXPECT_EQ(m.CreateBuffer(0), 0);
    ASSERT_EQ(m.CreateBuffer(4), 1);
    m.GetMemory()[0] = 'x';
    ASSERT_EQ(m.ReCreateBuffer(8), 1);
    EXPECT_EQ(m.GetMemory()[0], 'x');
    EXPECT_EQ(m.GetMemory()[7], 0);

    C_BinaryMemory b;
    for (int i = 0; i < 1000; ++i)
        b.Add("abc", 1, 2);
    EXPECT_EQ(b.Length(), 2000);
    EXPECT_EQ(std::string(b.GetStringA(), 4), "bcbc");
    b.Consume(1999);
    EXPECT_EQ(std::string(b.GetStringA()), "c");

    C_WStringMemory w;
    w << u"a" << C_WString(u"b");
    w.Insert(0, u"<");
    EXPECT_EQ(w.ToString(), C_WString(u"<ab"));
}

TEST(SharedPointer, CountIsThreadSafe)
{
    struct Counted {
        std::atomic<int>* destroyed;
        ~Counted() { ++*destroyed; }
    };
    std::atomic<int> destroyed{0};
    {
        Pointer<Counted> p = MakePointer<Counted>(Counted{&destroyed});
        destroyed = 0;  // the temporary above was destroyed once
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([p] {
                for (int i = 0; i < 20000; ++i) {
                    Pointer<Counted> copy = p;
                    copy.Reset();
                }
            });
        for (auto& t : threads)
            t.join();
        EXPECT_EQ(p.UseCount(), 1);
        EXPECT_EQ(destroyed.load(), 0);
    }
    EXPECT_EQ(destroyed.load(), 1);
}

TEST(Containers, ListIsFirstInFirstOut)
{
    qarvo::common::List<int> list;
    for (int i = 0; i < 3; ++i)
        list.AddTail(i);
    int v = -1;
    ASSERT_TRUE(list.RemoveHead(&v));
    EXPECT_EQ(v, 0);
    EXPECT_EQ(list.GetCount(), 2);
    list.RemoveAll();
    EXPECT_FALSE(list.RemoveHead(&v));
}
