#pragma once
// The address history: "list/list.txt", one line per fetched video, "<id> <title>". The
// address box shows it as "<id> <title>" entries.

#include <map>

#include "qarvo/text/string.h"

namespace pelmora::viewer {

using qarvo::C_WString;

class AddressHistory {
public:
    // Reads the file (UTF-8 text lines); a missing file is an empty history.
    bool Load(const C_WString& path);
    // Adds the entry in memory and appends its line to the file (creating it), first ending an
    // unterminated last line. False when the file cannot be written.
    bool Append(const C_WString& path, const C_WString& id, const C_WString& title);

    bool Has(const C_WString& id) const { return m_titles.count(id) != 0; }
    C_WString TitleOf(const C_WString& id) const;
    void Set(const C_WString& id, const C_WString& title) { m_titles[id] = title; }
    const std::map<C_WString, C_WString>& Entries() const { return m_titles; }
    // "<id> <title>", as the address box lists it.
    static C_WString EntryText(const C_WString& id, const C_WString& title);
    // Splits a line at its first blank; false for an empty line.
    static bool ParseLine(const C_WString& line, C_WString* id, C_WString* title);

private:
    std::map<C_WString, C_WString> m_titles;
};

}  // namespace pelmora::viewer
