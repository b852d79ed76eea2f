#pragma once
// Growable arrays of strings.

#include <vector>

#include "qarvo/text/string.h"

namespace qarvo {

template <class Str>
class BasicArrayString {
public:
    using Char = typename Str::Char;

    BasicArrayString() = default;
    BasicArrayString(std::initializer_list<Str> items) : m_items(items) {}

    int AppEnd(const Str& s)
    {
        m_items.push_back(s);
        return Length();
    }
    int Insert(int at, const Str& s)
    {
        if (at < 0 || at > Length())
            return 0;
        m_items.insert(m_items.begin() + at, s);
        return 1;
    }
    // Out-of-range reads give an empty string rather than undefined behaviour.
    const Str& operator[](int i) const { return GetString(i); }
    Str& operator[](int i) { return m_items.at(static_cast<size_t>(i)); }
    const Str& GetString(int i) const
    {
        static const Str empty;
        return i >= 0 && i < Length() ? m_items[static_cast<size_t>(i)] : empty;
    }
    int Length() const { return static_cast<int>(m_items.size()); }
    int Capacity() const { return static_cast<int>(m_items.capacity()); }
    void Destroy() { m_items.clear(); }
    BasicArrayString& operator+=(const Str& s)
    {
        m_items.push_back(s);
        return *this;
    }
    BasicArrayString& operator<<(const Str& s)
    {
        m_items.push_back(s);
        return *this;
    }
    bool operator==(const BasicArrayString& o) const { return m_items == o.m_items; }

    // Splits at `delimiter`: a delimiter is appended unless the text ends with one, and every
    // piece before each delimiter becomes an element, empty pieces included. An empty text gives
    // an empty array. Replaces the current content; returns the element count.
    int ParseString(const Str& text, const Char& delimiter)
    {
        m_items.clear();
        if (text.IsEmpty())
            return 0;
        const auto& s = text.std();
        size_t start = 0;
        for (size_t i = 0; i < s.size(); ++i) {
            if (s[i] == delimiter) {
                m_items.emplace_back(s.substr(start, i - start));
                start = i + 1;
            }
        }
        if (start < s.size())
            m_items.emplace_back(s.substr(start));
        return Length();
    }

    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }
    const std::vector<Str>& items() const { return m_items; }

private:
    std::vector<Str> m_items;
};

class C_ArrayString : public BasicArrayString<C_String> {
public:
    using BasicArrayString::BasicArrayString;
};

class C_WArrayString : public BasicArrayString<C_WString> {
public:
    using BasicArrayString::BasicArrayString;
};

}  // namespace qarvo
