#pragma once
// The shared body of C_String (bytes) and C_WString (UTF-16 code units).
//
// Index conventions every caller relies on: positions are code units, IndexOf gives -1 when
// absent, SubString(start, end) includes its end. Mutators work in place and return *this.

#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace qarvo {

template <class Derived, class CharT>
class StringBase {
public:
    using Char = CharT;
    using Std = std::basic_string<CharT>;
    using View = std::basic_string_view<CharT>;

    StringBase() = default;
    StringBase(const CharT* text) : m_text(text ? text : emptyText()) {}
    StringBase(const CharT* text, int length) : m_text(text && length > 0 ? Std(text, length) : Std()) {}
    StringBase(View text) : m_text(text) {}
    StringBase(const Std& text) : m_text(text) {}
    StringBase(Std&& text) noexcept : m_text(std::move(text)) {}
    StringBase(const StringBase&) = default;
    StringBase(StringBase&&) noexcept = default;
    StringBase& operator=(const StringBase&) = default;
    StringBase& operator=(StringBase&&) noexcept = default;
    virtual ~StringBase() = default;

    // --- access ---
    int Length() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    const CharT* c_str() const { return m_text.c_str(); }
    const CharT* GetString() const { return m_text.c_str(); }
    CharT* GetBuffer() { return m_text.data(); }
    const Std& std() const { return m_text; }
    Std& std() { return m_text; }
    View view() const { return View(m_text); }
    // Out of range reads give 0, like reading the terminator.
    CharT CharAt(int i) const { return i >= 0 && i < Length() ? m_text[i] : CharT(0); }
    CharT operator[](int i) const { return CharAt(i); }

    // --- search ---
    int IndexOf(const CharT* text, int from = 0) const
    {
        if (!text || from < 0 || from >= Length())
            return -1;
        return toIndex(m_text.find(text, static_cast<size_t>(from)));
    }
    int IndexOf(const Derived& text, int from = 0) const { return IndexOf(text.c_str(), from); }
    int IndexOf(int ch, int from) const
    {
        if (from < 0 || from >= Length())
            return -1;
        return toIndex(m_text.find(static_cast<CharT>(ch), static_cast<size_t>(from)));
    }
    int IndexOf(CharT ch) const { return IndexOf(static_cast<int>(ch), 0); }
    // Last start of `text` at or before `from` (-1: from the end).
    int LastIndexOf(const CharT* text, int from = -1) const
    {
        if (!text || IsEmpty())
            return -1;
        const size_t pos = from < 0 ? Std::npos : static_cast<size_t>(from);
        return toIndex(m_text.rfind(text, pos));
    }
    int LastIndexOf(const Derived& text, int from = -1) const { return LastIndexOf(text.c_str(), from); }
    int LastIndexOf(CharT ch, int from = -1) const
    {
        if (IsEmpty())
            return -1;
        const size_t pos = from < 0 ? Std::npos : static_cast<size_t>(from);
        return toIndex(m_text.rfind(ch, pos));
    }
    // First position >= from where any of `texts` starts; `which` receives its index.
    int IndexOfWhich(std::initializer_list<const CharT*> texts, int from = 0, int* which = nullptr) const
    {
        int best = -1, bestWhich = -1, i = 0;
        for (const CharT* t : texts) {
            const int p = IndexOf(t, from);
            if (p >= 0 && (best < 0 || p < best)) {
                best = p;
                bestWhich = i;
            }
            ++i;
        }
        if (which)
            *which = bestWhich;
        return best;
    }
    // Like IndexOf, but stretches between two `quote` characters are not searched.
    int IndexOfSkip(const CharT* text, int from, CharT quote) const
    {
        if (!text || from < 0 || from >= Length())
            return -1;
        const size_t n = std::char_traits<CharT>::length(text);
        bool quoted = false;
        for (size_t i = static_cast<size_t>(from); i < m_text.size(); ++i) {
            if (m_text[i] == quote) {
                quoted = !quoted;
                continue;
            }
            if (!quoted && m_text.compare(i, n, text) == 0)
                return static_cast<int>(i);
        }
        return -1;
    }
    int IndexOfSkipQuote(const CharT* text, int from = 0) const { return IndexOfSkip(text, from, CharT('"')); }
    bool Contains(const CharT* text) const { return IndexOf(text) >= 0; }
    bool Contains(const Derived& text) const { return IndexOf(text) >= 0; }
    int Count(const CharT* text) const
    {
        const size_t n = text ? std::char_traits<CharT>::length(text) : 0;
        if (n == 0)
            return 0;
        int count = 0;
        for (size_t p = m_text.find(text); p != Std::npos; p = m_text.find(text, p + n))
            ++count;
        return count;
    }

    // --- pieces ---
    // Inclusive end; end == Length() counts as Length() - 1.
    Derived SubString(int start, int end) const
    {
        const int len = Length();
        if (start < 0 || start >= len || end < start || end < 0 || end > len)
            return Derived();
        if (end == len)
            end = len - 1;
        return Derived(m_text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start + 1)));
    }
    Derived SubString(int start) const
    {
        if (start < 0 || start >= Length())
            return Derived();
        return Derived(m_text.substr(static_cast<size_t>(start)));
    }
    Derived Left(int count) const { return count <= 0 ? Derived() : Derived(m_text.substr(0, static_cast<size_t>(count))); }

    // Text between `begin` and `end` markers (see the string tests for the exact rules).
    Derived Enclose(const CharT* begin, const CharT* end, int start = 0, int* next = nullptr,
                    const int& withMarkers = 0) const
    {
        if (next)
            *next = -1;
        if (!begin || !end)
            return Derived();
        const int b = IndexOf(begin, start < 0 ? 0 : start);
        if (b < 0)
            return withMarkers ? Derived(Std(begin) + end) : Derived();
        const int blen = static_cast<int>(std::char_traits<CharT>::length(begin));
        const int elen = static_cast<int>(std::char_traits<CharT>::length(end));
        // The end marker is searched from one position after the begin marker's start.
        const int e = IndexOf(end, b + 1);
        if (e < 0) {
            Derived rest = SubString(b + blen);
            if (withMarkers)
                return Derived(Std(begin) + rest.std() + end);
            return rest;
        }
        return encloseResult(b, blen, e, elen, end, next, withMarkers);
    }
    // The first of several marker pairs that is found (begin and end lists pair up by index).
    Derived EncloseWhich(std::initializer_list<const CharT*> begins, std::initializer_list<const CharT*> ends,
                         int start = 0, int* next = nullptr, const int& withMarkers = 0) const
    {
        int which = -1;
        IndexOfWhich(begins, start, &which);
        if (which < 0 || which >= static_cast<int>(ends.size())) {
            if (next)
                *next = -1;
            return Derived();
        }
        return Enclose(begins.begin()[which], ends.begin()[which], start, next, withMarkers);
    }

    // --- comparison ---
    bool StartsWith(const CharT* text) const { return text && m_text.starts_with(View(text)); }
    bool StartsWith(const Derived& text) const { return m_text.starts_with(text.view()); }
    bool EndsWith(const CharT* text) const { return text && m_text.ends_with(View(text)); }
    bool EndsWith(const Derived& text) const { return m_text.ends_with(text.view()); }
    bool Equals(const CharT* text) const { return text && m_text == text; }
    bool Equals(const Derived& text) const { return m_text == text.m_text; }
    int CompareTo(const Derived& text) const
    {
        const int c = m_text.compare(text.m_text);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    friend bool operator==(const Derived& a, const Derived& b) { return a.m_text == b.m_text; }
    friend bool operator==(const Derived& a, const CharT* b) { return a.Equals(b); }
    friend bool operator!=(const Derived& a, const Derived& b) { return a.m_text != b.m_text; }
    friend bool operator!=(const Derived& a, const CharT* b) { return !a.Equals(b); }
    friend bool operator<(const Derived& a, const Derived& b) { return a.m_text < b.m_text; }
    friend bool operator>(const Derived& a, const Derived& b) { return a.m_text > b.m_text; }
    friend bool operator<=(const Derived& a, const Derived& b) { return a.m_text <= b.m_text; }
    friend bool operator>=(const Derived& a, const Derived& b) { return a.m_text >= b.m_text; }

    // --- building ---
    Derived& Append(const CharT* text, int length)
    {
        if (text && length > 0)
            m_text.append(text, static_cast<size_t>(length));
        return self();
    }
    Derived& Append(const CharT* text)
    {
        if (text)
            m_text.append(text);
        return self();
    }
    Derived& Append(const Derived& text)
    {
        m_text.append(text.m_text);
        return self();
    }
    Derived& AppendChar(CharT ch)
    {
        m_text.push_back(ch);
        return self();
    }
    Derived& operator+=(const CharT* text) { return Append(text); }
    Derived& operator+=(const Derived& text) { return Append(text); }
    Derived& operator+=(CharT ch) { return AppendChar(ch); }
    Derived& operator<<(const CharT* text) { return Append(text); }
    Derived& operator<<(const Derived& text) { return Append(text); }
    friend Derived operator+(const Derived& a, const Derived& b) { return Derived(a.m_text + b.m_text); }
    friend Derived operator+(const Derived& a, const CharT* b) { return Derived(a.m_text + (b ? b : emptyText())); }
    friend Derived operator+(const CharT* a, const Derived& b) { return Derived((a ? Std(a) : Std()) + b.m_text); }
    Derived& Insert(int at, const CharT* text)
    {
        if (text && at >= 0 && at <= Length())
            m_text.insert(static_cast<size_t>(at), text);
        return self();
    }
    Derived& Erase(int at, int count)
    {
        if (at >= 0 && at < Length() && count > 0)
            m_text.erase(static_cast<size_t>(at), static_cast<size_t>(count));
        return self();
    }
    void Clear() { m_text.clear(); }
    void Empty() { m_text.clear(); }
    void Reserve(int n)
    {
        if (n > 0)
            m_text.reserve(static_cast<size_t>(n));
    }

    // --- in-place edits ---
    // Removes leading and trailing units below 33 (space and controls); 128 and above stay.
    Derived& Trim()
    {
        size_t b = 0, e = m_text.size();
        while (b < e && isBlank(m_text[b]))
            ++b;
        while (e > b && isBlank(m_text[e - 1]))
            --e;
        m_text = m_text.substr(b, e - b);
        return self();
    }
    Derived& ToLower()
    {
        for (CharT& c : m_text)
            if (c >= CharT('A') && c <= CharT('Z'))
                c = static_cast<CharT>(c - 'A' + 'a');
        return self();
    }
    Derived& ToUpper()
    {
        for (CharT& c : m_text)
            if (c >= CharT('a') && c <= CharT('z'))
                c = static_cast<CharT>(c - 'a' + 'A');
        return self();
    }
    // Every occurrence of `from` becomes `to`.
    Derived& Replace(const CharT* from, const CharT* to)
    {
        if (!from || !*from)
            return self();
        const Std a(from), b(to ? to : emptyText());
        Std out;
        out.reserve(m_text.size());
        size_t pos = 0;
        for (size_t hit = m_text.find(a); hit != Std::npos; hit = m_text.find(a, pos)) {
            out.append(m_text, pos, hit - pos);
            out.append(b);
            pos = hit + a.size();
        }
        out.append(m_text, pos, Std::npos);
        m_text.swap(out);
        return self();
    }
    Derived& Replace(const Derived& from, const Derived& to) { return Replace(from.c_str(), to.c_str()); }
    // Only the first occurrence.
    Derived& ReplaceFirst(const CharT* from, const CharT* to)
    {
        if (!from || !*from)
            return self();
        const size_t hit = m_text.find(from);
        if (hit != Std::npos)
            m_text.replace(hit, std::char_traits<CharT>::length(from), to ? to : emptyText());
        return self();
    }
    // Runs of `ch` (default: space) become one.
    Derived& Squeeze(CharT ch = CharT(' '))
    {
        Std out;
        out.reserve(m_text.size());
        for (CharT c : m_text)
            if (!(c == ch && !out.empty() && out.back() == ch))
                out.push_back(c);
        m_text.swap(out);
        return self();
    }
    Derived& TrimFirstChars(const CharT* set)
    {
        if (set) {
            const size_t b = m_text.find_first_not_of(set);
            m_text.erase(0, b == Std::npos ? m_text.size() : b);
        }
        return self();
    }
    Derived& TrimLastChars(const CharT* set)
    {
        if (set) {
            const size_t e = m_text.find_last_not_of(set);
            m_text.erase(e == Std::npos ? 0 : e + 1);
        }
        return self();
    }
    Derived& TrimChars(const CharT* set)
    {
        TrimFirstChars(set);
        return TrimLastChars(set);
    }

    size_t Hash() const { return std::hash<Std>()(m_text); }

protected:
    static const CharT* emptyText()
    {
        static const CharT zero = CharT(0);
        return &zero;
    }
    static bool isBlank(CharT c) { return static_cast<std::make_unsigned_t<CharT>>(c) < 33; }
    static int toIndex(size_t pos) { return pos == Std::npos ? -1 : static_cast<int>(pos); }
    Derived& self() { return static_cast<Derived&>(*this); }

    Derived encloseResult(int b, int blen, int e, int elen, const CharT* end, int* next, int withMarkers) const
    {
        if (next)
            *next = e + elen;
        // An end marker overlapping the begin marker encloses nothing.
        const int innerStart = b + blen;
        const size_t inner = e > innerStart ? static_cast<size_t>(e - innerStart) : 0;
        if (withMarkers)
            return Derived(m_text.substr(static_cast<size_t>(b), static_cast<size_t>(blen)) +
                           m_text.substr(static_cast<size_t>(innerStart < Length() ? innerStart : Length()), inner) + end);
        if (inner == 0)
            return Derived();
        return Derived(m_text.substr(static_cast<size_t>(innerStart), inner));
    }

    Std m_text;
};

}  // namespace qarvo
