#pragma once
// The one place where the toolkit's strings meet the library's.

#include <QString>

#include "qarvo/text/string.h"

namespace qarvo::ui::detail {

inline QString ToQString(const C_WString& text)
{
    return QString::fromUtf16(text.c_str(), text.Length());
}

inline QString ToQString(const char16_t* text)
{
    return text ? QString::fromUtf16(text) : QString();
}

inline C_WString FromQString(const QString& text)
{
    return C_WString(std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())));
}

// Caps a text at maxLength UTF-16 units (-1 = no cap), the way a fixed buffer did.
inline C_WString Capped(C_WString text, int maxLength)
{
    if (maxLength >= 0 && text.Length() > maxLength)
        return text.Left(maxLength);
    return text;
}

}  // namespace qarvo::ui::detail
