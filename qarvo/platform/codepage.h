#pragma once
// The system's 8-bit code page ("code page 0"). On Linux it is CP932 (Shift_JIS with the
// Windows extensions), so that files and the sjis_ functions keep their meaning.

#include <string>

namespace qarvo::platform {

// Invalid or truncated byte sequences become U+FFFD; never fails.
std::u16string codepageToUtf16(const char* text, size_t length);
// Characters the code page lacks become '?' and set *usedDefault; never fails.
std::string utf16ToCodepage(const char16_t* text, size_t length, bool* usedDefault = nullptr);

}  // namespace qarvo::platform
