// The chat walk as it was before it read UTF-8 bytes: it walked the answer converted to UTF-16
// as a whole. Kept unchanged as the reference the byte walk is compared with, field by field,
// on every document the tests and the fuzzer can make.
#include "tests/engine/parse/chat_walk_reference.h"

#include <array>
#include <climits>
#include <cstdint>

namespace pelmora::engine::reference {
namespace {

using View = std::u16string_view;
constexpr size_t npos = View::npos;

// --- searching ------------------------------------------------------------------------------

// The searches of one walk over one answer. Each counts the units it looks at, so that a test
// can check that the walk stays linear in the size of the answer whatever its shape.
class Scanner {
public:
    explicit Scanner(View doc) : m_doc(doc) {}

    View Doc() const { return m_doc; }
    uint64_t Units() const { return m_units; }
    void Count(size_t units) { m_units += units; }

    // First position >= start of `ch` in doc[start, end), or npos.
    size_t Find(char16_t ch, size_t start, size_t end)
    {
        const char16_t* data = m_doc.data();
        for (size_t i = start; i < end; ++i) {
            if (data[i] == ch) {
                m_units += i - start + 1;
                return i;
            }
        }
        m_units += end > start ? end - start : 0;
        return npos;
    }

    // First position >= start where `marker` begins, or npos.
    size_t FindMarker(View marker, size_t start)
    {
        const size_t n = marker.size();
        if (m_doc.size() < n)
            return npos;
        const char16_t* data = m_doc.data();
        const char16_t first = marker[0];
        const size_t last = m_doc.size() - n;
        for (size_t i = start; i <= last; ++i) {
            if (data[i] == first && View(data + i + 1, n - 1) == marker.substr(1)) {
                m_units += i - start + n;
                return i;
            }
        }
        m_units += last >= start ? last - start + 1 : 0;
        return npos;
    }

private:
    View m_doc;
    uint64_t m_units = 0;
};

// The first occurrence of a marker at or after a position, remembering the last answer. The
// walk asks with positions that only grow, and in a malformed answer many elements can share
// one terminator ("<chat<chat<chat ... </chat>"); without the memory each of them would search
// the same stretch again, which is quadratic.
class MarkerFinder {
public:
    MarkerFinder(Scanner& scanner, View marker) : m_scanner(scanner), m_marker(marker) {}

    size_t From(size_t start)
    {
        if (m_asked && start >= m_start && (m_hit == npos || start <= m_hit))
            return m_hit;
        m_asked = true;
        m_start = start;
        m_hit = m_scanner.FindMarker(m_marker, start);
        return m_hit;
    }

private:
    Scanner& m_scanner;
    View m_marker;
    bool m_asked = false;
    size_t m_start = 0;
    size_t m_hit = npos;
};

// --- attributes -----------------------------------------------------------------------------

struct Range {
    size_t begin = 0;
    size_t end = 0;
    size_t size() const { return end - begin; }
};

// Looks up a fixed table of attribute names (each written with its leading space) in tag
// texts. For each name the first occurrence anywhere in the tag counts, even inside another
// attribute's value; its value runs from the next double quote to the one after it (to the end
// of the tag when that one is missing; empty when there is no quote at all).
//
// Normal tags are read in one pass. Tags that overlap (a "<" inside a tag starts another one,
// and both end at the same ">") reuse what the previous pass found, so that a malformed answer
// cannot make the lookup quadratic.
template <size_t N>
class AttributeFinder {
public:
    AttributeFinder(Scanner& scanner, const std::array<View, N>& names)
        : m_scanner(scanner), m_doc(scanner.Doc()), m_names(names)
    {
    }

    void Scan(size_t begin, size_t end)
    {
        if (m_scanned && end == m_end && begin >= m_begin) {
            rescanOverlapping(begin);
        } else {
            m_at.fill(npos);
            scanFresh(begin, end);
            m_searchedFrom.fill(npos);
        }
        m_scanned = true;
        m_begin = begin;
        m_end = end;
        for (size_t i = 0; i < N; ++i)
            if (m_at[i] != npos)
                findValue(i);
    }

    bool Found(size_t i) const { return m_at[i] != npos; }
    Range ValueRange(size_t i) const { return m_value[i]; }
    View Value(size_t i) const { return m_doc.substr(m_value[i].begin, m_value[i].size()); }

private:
    bool matchesAt(size_t i, size_t pos) const
    {
        const View& name = m_names[i];
        return m_end - pos >= name.size() && View(m_doc.data() + pos, name.size()) == name;
    }

    void scanFresh(size_t begin, size_t end)
    {
        m_end = end;
        size_t left = N;
        const char16_t* data = m_doc.data();
        size_t p = begin;
        for (; p < end && left > 0; ++p) {
            if (data[p] != u' ' || p + 1 >= end)
                continue;
            const char16_t second = data[p + 1];
            for (size_t i = 0; i < N; ++i) {
                if (m_at[i] == npos && m_names[i][1] == second && matchesAt(i, p)) {
                    m_at[i] = p;
                    --left;
                    break;  // no name of a table is a prefix of another
                }
            }
        }
        m_scanner.Count(p - begin);
    }

    // Same end, later start: an occurrence at or after the new start is still the first one;
    // a name that was absent is still absent. Only names found before the new start move on.
    void rescanOverlapping(size_t begin)
    {
        for (size_t i = 0; i < N; ++i) {
            if (m_at[i] == npos || m_at[i] >= begin)
                continue;
            size_t p = begin;
            m_at[i] = npos;
            while ((p = m_scanner.Find(u' ', p, m_end)) != npos) {
                if (matchesAt(i, p)) {
                    m_at[i] = p;
                    break;
                }
                ++p;
            }
        }
    }

    // The value runs from the first double quote at or after the name to the next one. Within
    // one tag the names only move forward, so an earlier answer holds while the name has not
    // passed its opening quote (or while no quote was found at all): overlapping tags that
    // share one end search each stretch once.
    void findValue(size_t i)
    {
        const size_t at = m_at[i];
        if (m_searchedFrom[i] != npos && at >= m_searchedFrom[i] && (m_open[i] == npos || at <= m_open[i])) {
            if (m_open[i] == npos)
                m_value[i] = Range{at, at};
            return;
        }
        m_searchedFrom[i] = at;
        m_open[i] = m_scanner.Find(u'"', at, m_end);
        if (m_open[i] == npos) {
            m_value[i] = Range{at, at};
            return;
        }
        const size_t close = m_scanner.Find(u'"', m_open[i] + 1, m_end);
        m_value[i] = Range{m_open[i] + 1, close == npos ? m_end : close};
    }

    Scanner& m_scanner;
    View m_doc;
    std::array<View, N> m_names;
    std::array<size_t, N> m_at{};
    std::array<size_t, N> m_searchedFrom{};  // where the value search started; npos: none yet
    std::array<size_t, N> m_open{};          // the opening quote it found, or npos
    std::array<Range, N> m_value{};
    bool m_scanned = false;
    size_t m_begin = 0;
    size_t m_end = 0;
};

// --- values ---------------------------------------------------------------------------------

// The library's atoi rule (white space, sign, digits up to the first other unit), saturating.
int64_t parseDecimal(Scanner& scanner, View text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    uint64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const unsigned digit = static_cast<unsigned>(text[i] - u'0');
        if (value > (static_cast<uint64_t>(INT64_MAX) - digit) / 10) {
            scanner.Count(i + 1);
            return negative ? INT64_MIN : INT64_MAX;
        }
        value = value * 10 + digit;
    }
    scanner.Count(i);
    return negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
}

// What was read from the last value range of one attribute. Overlapping tags that share an
// end share their values too; reading a long shared value again for each of them would be
// quadratic.
template <class T>
class ValueMemo {
public:
    template <class Compute>
    const T& Get(Range range, Compute compute)
    {
        if (!m_valid || range.begin != m_range.begin || range.end != m_range.end) {
            m_value = compute();
            m_range = range;
            m_valid = true;
        }
        return m_value;
    }

private:
    bool m_valid = false;
    Range m_range;
    T m_value{};
};

// Copies one string field of successive comments into the pool. Consecutive comments often
// carry the same value (the thread id, "184"), and in a malformed answer overlapping elements
// share the end of a value or body; both reuse the copy already made instead of copying again,
// which keeps the pool linear in the size of the answer.
class PooledField {
public:
    const pelmora_wchar* Store(TextPool& pool, View doc, Range range)
    {
        const View text = doc.substr(range.begin, range.size());
        if (text.empty())
            return ChatItem::boundaryText(u"");
        if (m_copy && range.end == m_source.end && range.begin >= m_source.begin)
            return ChatItem::boundaryText(m_copy + (range.begin - m_source.begin));
        if (!m_copy || text.size() != m_source.size() || text != View(m_copy, m_source.size()))
            m_copy = pool.Store(text);
        m_source = range;
        return ChatItem::boundaryText(m_copy);
    }

private:
    const char16_t* m_copy = nullptr;
    Range m_source;
};

// --- elements -------------------------------------------------------------------------------

enum ThreadAttr { kLastRes, kResultCode, kServerTime, kThreadId, kTicket, kThreadAttrCount };
constexpr std::array<View, kThreadAttrCount> kThreadNames = {u" last_res", u" resultcode", u" server_time",
                                                             u" thread", u" ticket"};

enum ChatAttr { kAnonymity, kDate, kMail, kDeleted, kNo, kThread, kUserId, kVpos, kPremium, kChatAttrCount };
constexpr std::array<View, kChatAttrCount> kChatNames = {u" anonymity", u" date",   u" mail",
                                                         u" deleted",   u" no",     u" thread",
                                                         u" user_id",   u" vpos",   u" premium"};

constexpr std::array<View, 1> kViewCounterNames = {u" video"};

// The element name right after "<". The name must end there: "<chat_result .../>" (the answer
// to a post) is not a comment.
bool isElement(View doc, size_t at, View name)
{
    if (doc.size() - at < name.size() || doc.substr(at, name.size()) != name)
        return false;
    if (doc.size() - at == name.size())
        return true;
    const char16_t next = doc[at + name.size()];
    return next == u' ' || next == u'>' || next == u'/' || next == u'\t' || next == u'\r' || next == u'\n';
}

class ChatWalk {
public:
    ChatWalk(ParseContext& context, View doc, int firstNumber)
        : m_context(context), m_doc(doc), m_scanner(doc), m_running(firstNumber),
          m_numbered(firstNumber != kNoRunningNumbers), m_selfClose(m_scanner, u"/>"), m_tagClose(m_scanner, u">"),
          m_chatClose(m_scanner, u"</chat"), m_chatOpen(m_scanner, u"<chat"), m_threadAttrs(m_scanner, kThreadNames), m_chatAttrs(m_scanner, kChatNames),
          m_viewCounterAttrs(m_scanner, kViewCounterNames)
    {
    }

    bool Run()
    {
        m_context.viewCounter = 0;
        m_context.lastRes = 0;
        m_context.serverTime = 0;
        for (size_t lt = m_scanner.Find(u'<', 0, m_doc.size()); lt != npos;
             lt = m_scanner.Find(u'<', lt + 1, m_doc.size())) {
            const size_t name = lt + 1;
            bool complete = true;
            if (isElement(m_doc, name, u"thread"))
                complete = readThread(lt);
            else if (isElement(m_doc, name, u"view_counter"))
                complete = readViewCounter(lt);
            else if (isElement(m_doc, name, u"chat"))
                complete = readChat(lt);
            if (!complete)
                return false;
        }
        return true;
    }

    uint64_t UnitsExamined() const { return m_scanner.Units(); }

private:
    // C_Integer::ParseInt: -1 for an empty text, else atoi clamped to int.
    template <size_t N>
    int32_t intValue(const AttributeFinder<N>& attrs, size_t i, ValueMemo<int64_t>& memo)
    {
        const Range range = attrs.ValueRange(i);
        if (range.size() == 0)
            return -1;
        const int64_t v = memo.Get(range, [&] { return parseDecimal(m_scanner, attrs.Value(i)); });
        return v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : static_cast<int32_t>(v));
    }

    // qarvo_strtoint64: 0 for an empty text.
    template <size_t N>
    int64_t int64Value(const AttributeFinder<N>& attrs, size_t i, ValueMemo<int64_t>& memo)
    {
        return memo.Get(attrs.ValueRange(i), [&] { return parseDecimal(m_scanner, attrs.Value(i)); });
    }

    // A string of the thread element, copied only when it is another stretch than last time.
    void storeText(qarvo::C_WString& field, Range range, ValueMemo<bool>& memo)
    {
        memo.Get(range, [&] {
            m_scanner.Count(range.size());
            field = qarvo::C_WString(m_doc.substr(range.begin, range.size()));
            return true;
        });
    }

    bool readThread(size_t lt)
    {
        const size_t close = m_selfClose.From(lt);
        if (close == npos)
            return false;
        m_threadAttrs.Scan(lt + 1, close);
        const auto& a = m_threadAttrs;
        if (a.Found(kLastRes))
            m_context.lastRes = intValue(a, kLastRes, m_threadNumbers[kLastRes]);
        if (a.Found(kResultCode))
            m_context.resultCode = intValue(a, kResultCode, m_threadNumbers[kResultCode]);
        if (a.Found(kServerTime))
            m_context.serverTime = int64Value(a, kServerTime, m_threadNumbers[kServerTime]);
        if (a.Found(kThreadId))
            storeText(m_context.thread, a.ValueRange(kThreadId), m_threadTexts[kThreadId]);
        if (a.Found(kTicket))
            storeText(m_context.ticket, a.ValueRange(kTicket), m_threadTexts[kTicket]);
        return true;
    }

    bool readViewCounter(size_t lt)
    {
        const size_t close = m_selfClose.From(lt);
        if (close == npos)
            return false;
        m_viewCounterAttrs.Scan(lt + 1, close);
        if (m_viewCounterAttrs.Found(0))
            m_context.viewCounter = intValue(m_viewCounterAttrs, 0, m_viewCounterNumber);
        return true;
    }

    // Where the next chat element begins at or after `from` (npos: none does); a chat's tag and
    // text end there.
    size_t nextChatStart(size_t from)
    {
        for (;;) {
            const size_t at = m_chatOpen.From(from);
            if (at == npos || isElement(m_doc, at + 1, u"chat"))
                return at;
            from = at + 1;
        }
    }

    bool readChat(size_t lt)
    {
        const size_t gt = m_tagClose.From(lt + 1);
        if (gt == npos)
            return false;
        const bool selfClosedTag = m_doc[gt - 1] == u'/';
        size_t end = npos;
        if (!selfClosedTag) {
            end = m_chatClose.From(lt + 1);
            if (end == npos)
                return false;
        }
        const size_t next = nextChatStart(lt + 1);
        const bool cut = next != npos && next < gt;
        const bool selfClosed = selfClosedTag && !cut;
        Range body{0, 0};
        if (!selfClosed && !cut) {
            if (next < end)
                end = next;
            if (end > gt + 1)
                body = Range{gt + 1, end};
        }

        ChatItem item;
        item.deleted = selfClosed ? 1 : 0;
        if (m_numbered)
            item.no = m_running++;

        m_chatAttrs.Scan(lt + 1, cut ? next : gt);
        const auto& a = m_chatAttrs;
        auto& numbers = m_chatNumbers;
        if (a.Found(kAnonymity))
            item.anonymity = intValue(a, kAnonymity, numbers[kAnonymity]);
        if (a.Found(kDate))
            item.date = int64Value(a, kDate, numbers[kDate]);
        if (a.Found(kMail)) {
            item.mail = m_mail.Store(m_context.texts, m_doc, a.ValueRange(kMail));
            item.mail184 = m_mail184.Get(a.ValueRange(kMail), [&] {
                m_scanner.Count(a.ValueRange(kMail).size());
                return a.Value(kMail).find(u"184") != npos ? 184 : 0;
            });
        }
        if (a.Found(kDeleted))
            item.deleted = intValue(a, kDeleted, numbers[kDeleted]);
        if (a.Found(kNo))
            item.no = intValue(a, kNo, numbers[kNo]);
        if (a.Found(kThread))
            item.thread = m_thread.Store(m_context.texts, m_doc, a.ValueRange(kThread));
        if (a.Found(kUserId))
            item.userId = m_userId.Store(m_context.texts, m_doc, a.ValueRange(kUserId));
        if (a.Found(kVpos))
            item.vpos = intValue(a, kVpos, numbers[kVpos]);
        if (a.Found(kPremium))
            item.premium = intValue(a, kPremium, numbers[kPremium]);
        item.text = m_text.Store(m_context.texts, m_doc, body);
        m_context.chats.AddTail(item);
        return true;
    }

    ParseContext& m_context;
    View m_doc;
    Scanner m_scanner;
    int m_running;
    bool m_numbered;
    MarkerFinder m_selfClose;
    MarkerFinder m_tagClose;
    MarkerFinder m_chatClose;
    MarkerFinder m_chatOpen;
    AttributeFinder<kThreadAttrCount> m_threadAttrs;
    AttributeFinder<kChatAttrCount> m_chatAttrs;
    AttributeFinder<1> m_viewCounterAttrs;
    PooledField m_mail, m_thread, m_userId, m_text;
    std::array<ValueMemo<int64_t>, kThreadAttrCount> m_threadNumbers;
    std::array<ValueMemo<bool>, kThreadAttrCount> m_threadTexts;
    std::array<ValueMemo<int64_t>, kChatAttrCount> m_chatNumbers;
    ValueMemo<int64_t> m_viewCounterNumber;
    ValueMemo<int> m_mail184;
};

}  // namespace

bool parseChats(ParseContext& context, std::u16string_view xml, int firstNumber, ChatWalkStats* stats)
{
    ChatWalk walk(context, xml, firstNumber);
    const bool complete = walk.Run();
    if (stats)
        stats->unitsExamined = walk.UnitsExamined();
    return complete;
}

std::string differenceOf(const ParseContext& walked, const ParseContext& expected)
{
    if (walked.chats.GetCount() != expected.chats.GetCount())
        return "count " + std::to_string(walked.chats.GetCount()) + " against " +
               std::to_string(expected.chats.GetCount());
    auto e = expected.chats.begin();
    int index = 0;
    for (const ChatItem& a : walked.chats) {
        const ChatItem& b = *e;
        const bool same = a.anonymity == b.anonymity && a.date == b.date && a.mail184 == b.mail184 &&
                          a.deleted == b.deleted && a.no == b.no && a.vpos == b.vpos && a.premium == b.premium &&
                          textOf(a.thread) == textOf(b.thread) && textOf(a.userId) == textOf(b.userId) &&
                          textOf(a.text) == textOf(b.text) && textOf(a.mail) == textOf(b.mail);
        if (!same)
            return "comment " + std::to_string(index);
        ++e;
        ++index;
    }
    if (walked.viewCounter != expected.viewCounter || walked.lastRes != expected.lastRes ||
        walked.resultCode != expected.resultCode || walked.serverTime != expected.serverTime ||
        walked.thread != expected.thread || walked.ticket != expected.ticket)
        return "thread information";
    return std::string();
}

}  // namespace pelmora::engine::reference
