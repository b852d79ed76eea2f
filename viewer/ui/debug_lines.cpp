#include "viewer/ui/debug_lines.h"

#include <cstdlib>

namespace qarvo::ui {

namespace {

constexpr int kNearby = 500;

}  // namespace

int DebugLines::Append(const C_WString& text, bool split)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (!split) {
        m_lines.push_back(text);
        return ++m_count;
    }
    const char16_t* s = text.c_str();
    const int n = text.Length();
    int start = 0;
    for (int i = 0; i <= n; ++i) {
        if (i < n && s[i] != u'\r' && s[i] != u'\n')
            continue;
        m_lines.push_back(C_WString(std::u16string(s + start, s + i)));
        ++m_count;
        if (i < n && s[i] == u'\r' && i + 1 < n && s[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    return m_count;
}

void DebugLines::Clear()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_lines.clear();
    m_count = 0;
    m_cursorIndex = -1;
}

int DebugLines::Count() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_count;
}

C_WString DebugLines::Line(int index)
{
    std::lock_guard<std::mutex> lock(m_lock);
    return lineLocked(index);
}

std::vector<C_WString> DebugLines::Lines(int first, int count)
{
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<C_WString> out;
    for (int i = first; i < first + count && i < m_count; ++i)
        if (i >= 0)
            out.push_back(lineLocked(i));
    return out;
}

C_WString DebugLines::AllText() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    C_WString text;
    for (const C_WString& line : m_lines)
        text += C_WString::Stringf(u"%s\r\n", line.c_str());
    return text;
}

int DebugLines::LastSteps() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_lastSteps;
}

C_WString DebugLines::lineLocked(int index)
{
    m_lastSteps = 0;
    if (index < 0 || index >= m_count)
        return C_WString();
    if (m_cursorIndex < 0 || std::abs(index - m_cursorIndex) >= kNearby) {
        if (index > m_count - kNearby && index >= kNearby) {
            m_cursor = std::prev(m_lines.end());
            m_cursorIndex = m_count - 1;
        } else {
            m_cursor = m_lines.begin();
            m_cursorIndex = 0;
        }
    }
    while (m_cursorIndex < index) {
        ++m_cursor;
        ++m_cursorIndex;
        ++m_lastSteps;
    }
    while (m_cursorIndex > index) {
        --m_cursor;
        --m_cursorIndex;
        ++m_lastSteps;
    }
    return *m_cursor;
}

}  // namespace qarvo::ui
