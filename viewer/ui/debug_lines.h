#pragma once
// The lines of the monitor window: a linked list in order of arrival, read by index through a
// cursor that makes painting a run of lines cost one step per line. Thread-safe: any thread
// appends, the GUI thread paints.

#include <list>
#include <mutex>
#include <vector>

#include "qarvo/text/string.h"

namespace qarvo::ui {

class DebugLines {
public:
    // Appends `text` as one line, or with `split` as one line per piece between CR, LF or
    // CR LF (an empty piece between two breaks is a line too). The new count.
    int Append(const C_WString& text, bool split);
    void Clear();
    int Count() const;
    // Line `index` (empty when out of range). The walk starts at the cursor when it is less than
    // 500 lines away, else at the head for the first 500 lines or the tail for the last 500,
    // else at the head; it leaves the cursor on the line found.
    C_WString Line(int index);
    // A run of lines from `first` on (for painting).
    std::vector<C_WString> Lines(int first, int count);
    // Every line, each followed by CR LF.
    C_WString AllText() const;
    // Nodes walked by the last Line call.
    int LastSteps() const;

private:
    C_WString lineLocked(int index);

    mutable std::mutex m_lock;
    std::list<C_WString> m_lines;
    int m_count = 0;
    std::list<C_WString>::iterator m_cursor;
    int m_cursorIndex = -1;  // -1: no cursor
    int m_lastSteps = 0;
};

}  // namespace qarvo::ui
