#include "bench/engine/comment_document.h"

#include <cstdint>
#include <cstdio>

namespace {

// xorshift64*: the same document on every machine and every run.
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed) {}
    uint64_t next()
    {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 2685821657736338717ull;
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }

private:
    uint64_t m_state;
};

const char* const kPhrases[] = {
    "\xE3\x83\x8F\xE3\x83\xA0\xE5\xA4\xAA\xE9\x83\x8E",                          // ハム太郎
    "\xE9\xA0\xAC\xE8\xA2\x8B\xE3\x81\xB1\xE3\x81\xAD\xE3\x81\x88\xEF\xBD\x97",  // 頬袋ぱねえｗ
    "wwwwwwww",
    "\xE3\x81\x8B\xE3\x82\x8F\xE3\x81\x84\xE3\x81\x84",  // かわいい
    "888888",
    "\xE3\x81\x8A\xE3\x81\x84\xE3\x83\xA0\xE3\x83\x81\xE3\x83\xA3\xE3\x81\x99\xE3\x82\x8B\xE3\x81\xAA",  // おいムチャするな
    "BEFORE",
    "&lt;3 &amp; more",
    "\xE3\x81\x93\xE3\x82\x8C\xE3\x81\xAF\xE3\x81\x99\xE3\x81\x94\xE3\x81\x84",  // これはすごい
    "\xEF\xBD\xB7\xEF\xBE\x80\xEF\xBD\xB0",                                      // ｷﾀｰ
    "first comment!",
    "\xE3\x80\x80\xE2\x97\x86\xE3\x80\x80",  // 　◆　
};
constexpr int kPhraseCount = sizeof(kPhrases) / sizeof(kPhrases[0]);

const char* const kMails[] = {"184", "184", "184", "184", "naka medium 184", "shita big", "184 white", nullptr};
constexpr int kMailCount = sizeof(kMails) / sizeof(kMails[0]);

const char kIdAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

}  // namespace

std::string makeCommentDocument(int count)
{
    Random random(0x5EED1234ABCDull);
    std::string doc;
    doc.reserve(static_cast<size_t>(count) * 160 + 512);
    doc += "<packet><thread resultcode=\"0\" thread=\"1402132004\" last_res=\"";
    doc += std::to_string(count);
    doc += "\" ticket=\"0x27baa680\" revision=\"2\" server_time=\"1403210005\"/>"
           "<view_counter video=\"16721\" id=\"sm23726371\" mylist=\"346\"/>";

    char head[160];
    for (int i = 0; i < count; ++i) {
        const int vpos = random.below(600000);
        const long long date = 1402132048LL + i * 3LL;
        if (random.below(100) == 0) {
            std::snprintf(head, sizeof(head),
                          "<chat thread=\"1402132004\" no=\"%d\" vpos=\"%d\" date=\"%lld\" deleted=\"2\" "
                          "anonymity=\"1\"/>",
                          i + 1, vpos, date);
            doc += head;
            continue;
        }
        std::snprintf(head, sizeof(head), "<chat thread=\"1402132004\" no=\"%d\" vpos=\"%d\" date=\"%lld\"", i + 1,
                      vpos, date);
        doc += head;
        if (const char* mail = kMails[random.below(kMailCount)]) {
            doc += " mail=\"";
            doc += mail;
            doc += '"';
        }
        // Posters come back: 50000 distinct ids.
        doc += " user_id=\"";
        uint64_t user = static_cast<uint64_t>(random.below(50000)) * 0x9E3779B97F4A7C15ull;
        for (int k = 0; k < 27; ++k) {
            doc += kIdAlphabet[user & 63];
            user = (user >> 6) | (user << 58);
        }
        doc += '"';
        if (random.below(10) < 3)
            doc += " premium=\"1\"";
        if (random.below(10) < 7)
            doc += " anonymity=\"1\"";
        doc += '>';
        const int phrases = 1 + random.below(3);
        for (int p = 0; p < phrases; ++p) {
            if (p)
                doc += ' ';
            doc += kPhrases[random.below(kPhraseCount)];
        }
        doc += "</chat>";
    }
    doc += "</packet>";
    return doc;
}
