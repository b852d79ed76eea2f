#pragma once
// The NG list file (list/ng.txt, UTF-8): read whole, replaced whole without ever leaving a
// half-written file, or extended by one rule.

#include <string>

namespace pelmora::viewer {

// false when the file cannot be read or is larger than kMaxNgListBytes; a missing file reads
// as an empty list.
bool ReadNgListFile(const std::string& path, std::string* text);
// Writes a temporary file beside it and renames it over the old one.
bool WriteNgListFile(const std::string& path, const std::string& text);
// Appends `rule` as a line of its own.
bool AppendNgRule(const std::string& path, const std::string& rule);

}  // namespace pelmora::viewer
