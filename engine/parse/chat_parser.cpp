#include "engine/parse/chat_parser.h"

#include <array>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "qarvo/charcode/system_charcode.h"

namespace pelmora::engine {
namespace {

namespace System = qarvo::common::System;

using View = std::string_view;
constexpr size_t npos = View::npos;

// The pool is told beforehand how much one answer may need: no string takes more units than
// its bytes, and the terminators of an answer's values take fewer units than its tags take
// bytes. An answer whose values overlap (a malformed one) may need more; the pool then goes on
// in another block.
size_t expectedUnits(size_t bytes)
{
    return bytes + bytes / 2 + 64;
}

// --- searching ------------------------------------------------------------------------------

// Position of the first byte `ch` in [p, end), or end. The buffer may be read up to `limit`
// (>= end): sixteen bytes are compared at once wherever that many can be read, which costs less
// than a call for the short stretches between the spaces and quotes of a tag.
inline const char* findByte(const char* p, const char* end, const char* limit, char ch)
{
#if defined(__SSE2__)
    const __m128i pattern = _mm_set1_epi8(ch);
    for (; p < end && limit - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, pattern)));
        if (hits != 0) {
            const char* hit = p + std::countr_zero(hits);
            return hit < end ? hit : end;
        }
    }
#endif
    for (; p < end; ++p)
        if (*p == ch)
            return p;
    return end;
}

uint64_t load8(const char* p)
{
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::big)
        word = __builtin_bswap64(word);
    return word;
}

// The searches of one walk over one answer. Each counts the bytes it looks at, so that a test
// can check that the walk stays linear in the size of the answer whatever its shape.
class Scanner {
public:
    explicit Scanner(View doc) : m_doc(doc), m_data(doc.data()) {}

    View Doc() const { return m_doc; }
    uint64_t Units() const { return m_units; }
    void Count(size_t units) { m_units += units; }

    // First position >= start of `ch` in doc[start, end), or npos.
    size_t Find(char ch, size_t start, size_t end)
    {
        if (start >= end)
            return npos;
        const size_t at = static_cast<size_t>(findByte(m_data + start, m_data + end, m_data + m_doc.size(), ch) - m_data);
        m_units += at - start + (at < end);
        return at < end ? at : npos;
    }

    // First position >= start where `marker` begins, or npos. *firstByte (when given) receives
    // the first position >= start of the marker's first byte when the search met one, else npos.
    size_t FindMarker(View marker, size_t start, size_t* firstByte = nullptr)
    {
        const size_t n = marker.size();
        if (firstByte)
            *firstByte = npos;
        if (m_doc.size() < n || start > m_doc.size() - n)
            return npos;
        const size_t last = m_doc.size() - n;
        for (size_t i = start;;) {
            i = static_cast<size_t>(findByte(m_data + i, m_data + last + 1, m_data + m_doc.size(), marker[0]) - m_data);
            if (i > last)
                break;
            if (firstByte && *firstByte == npos)
                *firstByte = i;
            size_t k = 1;
            while (k < n && m_data[i + k] == marker[k])
                ++k;
            if (k == n) {
                m_units += i - start + n;
                return i;
            }
            if (i == last)
                break;
            ++i;
        }
        m_units += last - start + 1;
        return npos;
    }

private:
    View m_doc;
    const char* m_data;
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

    // Whether From(start) would search rather than answer from memory.
    bool WouldSearch(size_t start) const { return !(m_asked && start >= m_start && (m_hit == npos || start <= m_hit)); }
    // From(start) when the caller knows the marker cannot begin before `searchFrom` (>= start).
    size_t FromKnowing(size_t start, size_t searchFrom, size_t* firstByte)
    {
        m_asked = true;
        m_start = start;
        m_hit = m_scanner.FindMarker(m_marker, searchFrom, firstByte);
        return m_hit;
    }
    // Records what a search from `start` found, made by the caller itself.
    void Remember(size_t start, size_t hit)
    {
        m_asked = true;
        m_start = start;
        m_hit = hit;
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
        // The names that may start at a space, by the byte after it; and each name's first and
        // last eight bytes, to compare a word at a time.
        static_assert(N <= 16);
        for (size_t i = 0; i < N; ++i) {
            m_bySecond[static_cast<unsigned char>(names[i][1])] |= static_cast<uint16_t>(1u << i);
            char head[8] = {}, tail[8] = {};
            std::memcpy(head, names[i].data(), names[i].size() < 8 ? names[i].size() : 8);
            if (names[i].size() > 8)
                std::memcpy(tail, names[i].data() + names[i].size() - 8, 8);
            m_head[i] = load8(head);
            m_tail[i] = load8(tail);
            m_headMask[i] = names[i].size() >= 8 ? ~uint64_t{0} : maskOfFirst(names[i].size());
        }
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

    // The usual tag, read in one pass: from `begin` to its first ">", finding the names on the
    // way, when no "<" comes before that ">". Gives the ">" and leaves the finder as Scan(begin,
    // ">") would; npos, with nothing changed, for any other tag (Scan reads it then).
    size_t ScanTag(size_t begin)
    {
#if defined(__SSE2__)
        const char* data = m_doc.data();
        const size_t size = m_doc.size();
        std::array<size_t, N> at;
        at.fill(npos);
        // No name holds "<" or ">", so a name that matches before the tag's end fits inside it.
        const auto space = [&](size_t p) {
            if (size - p < 2)
                return;
            for (unsigned mask = m_bySecond[static_cast<unsigned char>(data[p + 1])]; mask != 0; mask &= mask - 1) {
                const size_t i = static_cast<size_t>(std::countr_zero(mask));
                if (at[i] == npos && matchesWithin(i, p, size)) {
                    at[i] = p;
                    break;
                }
            }
        };
        const __m128i spaces = _mm_set1_epi8(' '), closes = _mm_set1_epi8('>'), opens = _mm_set1_epi8('<');
        size_t p = begin;
        size_t stop = npos;
        for (; size - p >= 16; p += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p));
            unsigned found = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, spaces)));
            const unsigned ends = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, closes), _mm_cmpeq_epi8(bytes, opens))));
            if (ends != 0)
                found &= (1u << std::countr_zero(ends)) - 1;
            for (; found != 0; found &= found - 1)
                space(p + static_cast<size_t>(std::countr_zero(found)));
            if (ends != 0) {
                stop = p + static_cast<size_t>(std::countr_zero(ends));
                break;
            }
        }
        for (; stop == npos && p < size; ++p) {
            if (data[p] == '>' || data[p] == '<')
                stop = p;
            else if (data[p] == ' ')
                space(p);
        }
        if (stop == npos || data[stop] == '<')
            return npos;
        m_at = at;
        m_searchedFrom.fill(npos);
        m_scanned = true;
        m_begin = begin;
        m_end = stop;
        m_scanner.Count(stop - begin + 1);
        for (size_t i = 0; i < N; ++i)
            if (m_at[i] != npos)
                findValue(i);
        return stop;
#else
        (void)begin;
        return npos;
#endif
    }

    bool Found(size_t i) const { return m_at[i] != npos; }
    Range ValueRange(size_t i) const { return m_value[i]; }
    View Value(size_t i) const { return m_doc.substr(m_value[i].begin, m_value[i].size()); }

private:
    // The word of the first `n` (< 8) bytes as load8 gives them.
    static uint64_t maskOfFirst(size_t n)
    {
        char bytes[8] = {};
        std::memset(bytes, 0xFF, n);
        return load8(bytes);
    }

    bool matchesAt(size_t i, size_t pos) const { return matchesWithin(i, pos, m_end); }

    // Name i at `pos`, wholly before `end`.
    bool matchesWithin(size_t i, size_t pos, size_t end) const
    {
        const View& name = m_names[i];
        if (end - pos < name.size())
            return false;
        const char* at = m_doc.data() + pos;
        if (m_doc.size() - pos < 8)
            return std::memcmp(at, name.data(), name.size()) == 0;
        if ((load8(at) & m_headMask[i]) != m_head[i])
            return false;
        return name.size() <= 8 || load8(at + name.size() - 8) == m_tail[i];
    }

    void scanFresh(size_t begin, size_t end)
    {
        m_end = end;
        size_t left = N;
        const char* data = m_doc.data();
        size_t p = begin;
        while (left > 0 && p < end) {
            p = static_cast<size_t>(findByte(data + p, data + end, data + m_doc.size(), ' ') - data);
            if (p + 1 >= end) {
                p = end;
                break;
            }
            for (unsigned mask = m_bySecond[static_cast<unsigned char>(data[p + 1])]; mask != 0; mask &= mask - 1) {
                const size_t i = static_cast<size_t>(std::countr_zero(mask));
                if (m_at[i] == npos && matchesAt(i, p)) {
                    m_at[i] = p;
                    --left;
                    break;  // no name of a table is a prefix of another
                }
            }
            ++p;
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
            while ((p = m_scanner.Find(' ', p, m_end)) != npos) {
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
        // The name itself holds no quote, and the quote usually follows it or its "=".
        const size_t after = at + m_names[i].size();
        const char* data = m_doc.data();
        if (after < m_end && data[after] == '"') {
            m_open[i] = after;
            m_scanner.Count(1);
        } else if (m_end - after >= 2 && data[after] == '=' && data[after + 1] == '"') {
            m_open[i] = after + 1;
            m_scanner.Count(2);
        } else {
            m_open[i] = m_scanner.Find('"', after, m_end);
        }
        if (m_open[i] == npos) {
            m_value[i] = Range{at, at};
            return;
        }
        const size_t close = m_scanner.Find('"', m_open[i] + 1, m_end);
        m_value[i] = Range{m_open[i] + 1, close == npos ? m_end : close};
    }

    Scanner& m_scanner;
    View m_doc;
    std::array<View, N> m_names;
    std::array<uint16_t, 256> m_bySecond{};
    std::array<uint64_t, N> m_head{}, m_tail{}, m_headMask{};
    std::array<size_t, N> m_at{};
    std::array<size_t, N> m_searchedFrom{};  // where the value search started; npos: none yet
    std::array<size_t, N> m_open{};          // the opening quote it found, or npos
    std::array<Range, N> m_value{};
    bool m_scanned = false;
    size_t m_begin = 0;
    size_t m_end = 0;
};

// --- values ---------------------------------------------------------------------------------

// The library's atoi rule (white space, sign, digits up to the first other byte), saturating.
int64_t parseDecimal(Scanner& scanner, View text)
{
    // The usual value first: nothing but a few digits.
    if (!text.empty() && text.size() <= 18 && static_cast<unsigned char>(text[0] - '0') <= 9) {
        uint64_t value = 0;
        size_t i = 0;
        for (; i < text.size(); ++i) {
            const unsigned digit = static_cast<unsigned char>(text[i]) - unsigned{'0'};
            if (digit > 9)
                break;
            value = value * 10 + digit;
        }
        scanner.Count(i);
        return static_cast<int64_t>(value);
    }
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    uint64_t value = 0;
    // Eighteen digits cannot overflow; only the digits after them are checked.
    const size_t unchecked = text.size() - i > 18 ? i + 18 : text.size();
    for (; i < unchecked; ++i) {
        const unsigned digit = static_cast<unsigned char>(text[i]) - unsigned{'0'};
        if (digit > 9) {
            scanner.Count(i);
            return negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
        }
        value = value * 10 + digit;
    }
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const unsigned digit = static_cast<unsigned>(text[i] - '0');
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

// Converts one string field of successive comments into the pool. Consecutive comments often
// carry the same value (the thread id, "184"), and in a malformed answer overlapping elements
// share the end of a value or body; both reuse the string already made instead of converting
// again, which keeps the pool linear in the size of the answer.
class PooledField {
public:
    const pelmora_wchar* Store(TextPool& pool, Scanner& scanner, View doc, Range range)
    {
        if (range.size() == 0)
            return ChatItem::boundaryText(u"");
        if (m_copy && range.end == m_source.end && range.begin >= m_source.begin)
            return ChatItem::boundaryText(m_copy + unitsBefore(scanner, doc, range.begin));
        if (!m_copy || range.size() != m_source.size() ||
            std::memcmp(doc.data() + range.begin, doc.data() + m_source.begin, range.size()) != 0) {
            m_copy = pool.StoreUtf8(doc.substr(range.begin, range.size()));
        }
        scanner.Count(range.size());
        m_source = range;
        m_counted = Range{range.begin, range.begin};
        m_countedUnits = 0;
        return ChatItem::boundaryText(m_copy);
    }

private:
    // The units the bytes from the copy's source start up to `pos` convert to. The suffixes
    // asked for start ever later, so the count goes on from where the last one stopped.
    size_t unitsBefore(Scanner& scanner, View doc, size_t pos)
    {
        if (pos < m_counted.end) {
            m_counted.end = m_source.begin;
            m_countedUnits = 0;
        }
        scanner.Count(pos - m_counted.end);
        m_countedUnits += System::utf8_to_utf16_length(doc.data() + m_counted.end, pos - m_counted.end);
        m_counted.end = pos;
        return m_countedUnits;
    }

    const char16_t* m_copy = nullptr;
    Range m_source;
    Range m_counted;            // the bytes [m_source.begin, m_counted.end) ...
    size_t m_countedUnits = 0;  // ... convert to this many units
};

// --- elements -------------------------------------------------------------------------------

enum ThreadAttr { kLastRes, kResultCode, kServerTime, kThreadId, kTicket, kThreadAttrCount };
constexpr std::array<View, kThreadAttrCount> kThreadNames = {" last_res", " resultcode", " server_time", " thread",
                                                             " ticket"};

enum ChatAttr { kAnonymity, kDate, kMail, kDeleted, kNo, kThread, kUserId, kVpos, kPremium, kChatAttrCount };
constexpr std::array<View, kChatAttrCount> kChatNames = {" anonymity", " date",    " mail", " deleted", " no",
                                                         " thread",    " user_id", " vpos", " premium"};

constexpr std::array<View, 1> kViewCounterNames = {" video"};

// The element name right after "<". The name must end there: "<chat_result .../>" (the answer
// to a post) is not a comment.
template <size_t N>
bool isElement(View doc, size_t at, const char (&name)[N])
{
    constexpr size_t n = N - 1;
    if (doc.size() - at < n || std::memcmp(doc.data() + at, name, n) != 0)
        return false;
    if (doc.size() - at == n)
        return true;
    const char next = doc[at + n];
    return next == ' ' || next == '>' || next == '/' || next == '\t' || next == '\r' || next == '\n';
}

class ChatWalk {
public:
    ChatWalk(ParseContext& context, View doc, int firstNumber)
        : m_context(context), m_doc(doc), m_scanner(doc), m_running(firstNumber),
          m_numbered(firstNumber != kNoRunningNumbers), m_selfClose(m_scanner, "/>"), m_tagClose(m_scanner, ">"),
          m_chatClose(m_scanner, "</chat"), m_chatOpen(m_scanner, "<chat"), m_threadAttrs(m_scanner, kThreadNames), m_chatAttrs(m_scanner, kChatNames),
          m_viewCounterAttrs(m_scanner, kViewCounterNames)
    {
    }

    bool Run()
    {
        m_context.viewCounter = 0;
        m_context.lastRes = 0;
        m_context.serverTime = 0;
        m_context.texts.Expect(expectedUnits(m_doc.size()));
        const bool complete = walk();
        m_context.texts.Trim();
        return complete;
    }

    uint64_t UnitsExamined() const { return m_scanner.Units(); }

private:
    bool walk()
    {
        for (size_t lt = m_scanner.Find('<', 0, m_doc.size()); lt != npos;
             lt = m_scanner.Find('<', m_nextFrom > lt + 1 ? m_nextFrom : lt + 1, m_doc.size())) {
            const size_t name = lt + 1;
            bool complete = true;
            if (isElement(m_doc, name, "chat"))
                complete = readChat(lt);
            else if (isElement(m_doc, name, "thread"))
                complete = readThread(lt);
            else if (isElement(m_doc, name, "view_counter"))
                complete = readViewCounter(lt);
            if (!complete)
                return false;
        }
        return true;
    }

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

    // A string of the thread element, converted only when it is another stretch than last time.
    void storeText(qarvo::C_WString& field, Range range, ValueMemo<bool>& memo)
    {
        memo.Get(range, [&] {
            m_scanner.Count(range.size());
            field = System::_utf8_to_utf16(m_doc.data() + range.begin, static_cast<int>(range.size()));
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

    const pelmora_wchar* storeField(PooledField& field, Range range)
    {
        return field.Store(m_context.texts, m_scanner, m_doc, range);
    }

    // Where the next chat element begins at or after `from` (npos: none does). A chat's tag and
    // text end there: in a malformed answer that opens chats inside another's tag or text
    // ("<chat>a<chat>b</chat>") each would otherwise hold the rest of the ones after it, which
    // grows with the square of the answer in everything that copies the texts one by one.
    size_t nextChatStart(size_t from)
    {
        for (;;) {
            const size_t at = m_chatOpen.From(from);
            if (at == npos || isElement(m_doc, at + 1, "chat"))
                return at;
            from = at + 1;
        }
    }

    bool readChat(size_t lt)
    {
        // A tag whose ">" comes before any "<" is read in one pass; it holds no "<", so neither
        // "</chat" nor the next element can begin inside it.
        size_t gt = npos;
        const bool plain = m_tagClose.WouldSearch(lt + 1) && (gt = m_chatAttrs.ScanTag(lt + 1)) != npos;
        if (plain)
            m_tagClose.Remember(lt + 1, gt);
        else
            gt = m_tagClose.From(lt + 1);
        if (gt == npos)
            return false;
        if (plain)
            m_nextFrom = gt + 1;
        const bool selfClosedTag = m_doc[gt - 1] == '/';
        size_t end = npos;
        size_t firstLt = npos;
        if (!selfClosedTag) {
            if (plain && m_chatClose.WouldSearch(lt + 1)) {
                end = m_chatClose.FromKnowing(lt + 1, gt + 1, &firstLt);
                if (firstLt != npos)
                    m_nextFrom = firstLt;
            } else {
                end = m_chatClose.From(lt + 1);
            }
            if (end == npos)
                return false;
        }
        // A chat opened inside this tag cuts it: this one keeps what it wrote before that, and
        // no text.
        const size_t next = plain ? npos : nextChatStart(lt + 1);
        const bool cut = next != npos && next < gt;
        const bool selfClosed = selfClosedTag && !cut;
        Range body{0, 0};
        if (!selfClosed && !cut) {
            // firstLt == end: no "<" at all lies in the text.
            if (firstLt != end) {
                const size_t opened = nextChatStart(gt + 1);
                if (opened < end)
                    end = opened;
            }
            if (end > gt + 1)
                body = Range{gt + 1, end};
        }

        ChatItem item;
        item.deleted = selfClosed ? 1 : 0;
        if (m_numbered)
            item.no = m_running++;

        if (!plain)
            m_chatAttrs.Scan(lt + 1, cut ? next : gt);
        const auto& a = m_chatAttrs;
        auto& numbers = m_chatNumbers;
        if (a.Found(kAnonymity))
            item.anonymity = intValue(a, kAnonymity, numbers[kAnonymity]);
        if (a.Found(kDate))
            item.date = int64Value(a, kDate, numbers[kDate]);
        if (a.Found(kMail)) {
            item.mail = storeField(m_mail, a.ValueRange(kMail));
            item.mail184 = m_mail184.Get(a.ValueRange(kMail), [&] {
                m_scanner.Count(a.ValueRange(kMail).size());
                return a.Value(kMail).find("184") != npos ? 184 : 0;
            });
        }
        if (a.Found(kDeleted))
            item.deleted = intValue(a, kDeleted, numbers[kDeleted]);
        if (a.Found(kNo))
            item.no = intValue(a, kNo, numbers[kNo]);
        if (a.Found(kThread))
            item.thread = storeField(m_thread, a.ValueRange(kThread));
        if (a.Found(kUserId))
            item.userId = storeField(m_userId, a.ValueRange(kUserId));
        if (a.Found(kVpos))
            item.vpos = intValue(a, kVpos, numbers[kVpos]);
        if (a.Found(kPremium))
            item.premium = intValue(a, kPremium, numbers[kPremium]);
        item.text = storeField(m_text, body);
        m_context.chats.AddTail(item);
        return true;
    }

    ParseContext& m_context;
    View m_doc;
    Scanner m_scanner;
    // No "<" lies between the last element's "<" and this position: the next one is looked for
    // from here.
    size_t m_nextFrom = 0;
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

bool parseChats(ParseContext& context, std::string_view xml, int firstNumber, ChatWalkStats* stats)
{
    ChatWalk walk(context, xml, firstNumber);
    const bool complete = walk.Run();
    if (stats)
        stats->unitsExamined = walk.UnitsExamined();
    return complete;
}

bool parseChats(ParseContext& context, std::u16string_view xml, int firstNumber, ChatWalkStats* stats)
{
    const qarvo::C_String bytes = System::_utf16_to_utf8(xml.data(), static_cast<int>(xml.size()));
    return parseChats(context, std::string_view(bytes.std()), firstNumber, stats);
}

}  // namespace pelmora::engine
