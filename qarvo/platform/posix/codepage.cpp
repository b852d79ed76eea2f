#include "qarvo/platform/codepage.h"

#include <cerrno>
#include <iconv.h>

namespace qarvo::platform {
namespace {

// One converter per direction and thread: iconv_t carries shift state and is not shareable.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }
    void reset() { iconv(m_cd, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t m_cd;
};

Converter& toUtf16()
{
    thread_local Converter c("UTF-16LE", "CP932");
    return c;
}

Converter& fromUtf16()
{
    thread_local Converter c("CP932", "UTF-16LE");
    return c;
}

}  // namespace

std::u16string codepageToUtf16(const char* text, size_t length)
{
    std::u16string out;
    if (!text || length == 0)
        return out;
    Converter& cv = toUtf16();
    if (!cv.valid()) {
        // No CP932 converter at all: keep ASCII, mark the rest.
        for (size_t i = 0; i < length; ++i)
            out.push_back(static_cast<unsigned char>(text[i]) < 0x80 ? char16_t(text[i]) : u'\uFFFD');
        return out;
    }
    cv.reset();
    out.reserve(length);
    char* in = const_cast<char*>(text);
    size_t inLeft = length;
    char16_t chunk[512];
    while (inLeft > 0) {
        char* outPtr = reinterpret_cast<char*>(chunk);
        size_t outLeft = sizeof(chunk);
        const size_t r = iconv(cv.get(), &in, &inLeft, &outPtr, &outLeft);
        out.append(chunk, (sizeof(chunk) - outLeft) / 2);
        if (r != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ: an invalid byte; EINVAL: a lead byte cut off at the end.
        out.push_back(u'\uFFFD');
        ++in;
        --inLeft;
        cv.reset();
    }
    return out;
}

std::string utf16ToCodepage(const char16_t* text, size_t length, bool* usedDefault)
{
    std::string out;
    if (usedDefault)
        *usedDefault = false;
    if (!text || length == 0)
        return out;
    Converter& cv = fromUtf16();
    out.reserve(length * 2);
    if (!cv.valid()) {
        for (size_t i = 0; i < length; ++i) {
            const bool ascii = text[i] < 0x80;
            out.push_back(ascii ? static_cast<char>(text[i]) : '?');
            if (!ascii && usedDefault)
                *usedDefault = true;
        }
        return out;
    }
    cv.reset();
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text));
    size_t inLeft = length * 2;
    char chunk[1024];
    while (inLeft > 0) {
        char* outPtr = chunk;
        size_t outLeft = sizeof(chunk);
        const size_t r = iconv(cv.get(), &in, &inLeft, &outPtr, &outLeft);
        out.append(chunk, sizeof(chunk) - outLeft);
        if (r != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // A character CP932 lacks, or an unpaired surrogate: the platform's default character.
        out.push_back('?');
        if (usedDefault)
            *usedDefault = true;
        // A whole surrogate pair is one character and one default character.
        size_t skip = inLeft >= 2 ? 2 : inLeft;
        if (inLeft >= 4) {
            const char16_t* unit = reinterpret_cast<const char16_t*>(in);
            if (unit[0] >= 0xD800 && unit[0] <= 0xDBFF && unit[1] >= 0xDC00 && unit[1] <= 0xDFFF)
                skip = 4;
        }
        in += skip;
        inLeft -= skip;
        cv.reset();
    }
    return out;
}

}  // namespace qarvo::platform
