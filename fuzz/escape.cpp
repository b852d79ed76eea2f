// URL and markup decoding of any text, and the round trips that must hold: what the encoders
// write, the decoders give back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "qarvo/escape/markup.h"
#include "qarvo/escape/url.h"

namespace System = qarvo::common::System;
using qarvo::C_String;
using qarvo::C_WString;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const C_String text(bytes);
    System::_url_decode_a(text);
    System::htmlspecialchars_decode(text, "UTF-8");
    System::htmlspecialchars_decode(text, nullptr);
    System::xmlspecialchars_decode(text, "UTF-8");
    std::u16string units;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                              (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    const C_WString wide(units);
    System::_url_decode_w(wide);
    System::_htmlspecialchars_decode_w(wide);

    // The round trips hold for any text without NULs (the escapers stop at the first).
    if (bytes.find('\0') == std::string::npos) {
        pelmora::fuzz::require(System::_url_decode_a(System::_url_encode_a(text, 0)) == text);
        pelmora::fuzz::require(System::_url_decode_a(System::_url_encode_a(text, 1)) == text);
        if (!text.IsEmpty())
            pelmora::fuzz::require(System::xmlspecialchars_decode(System::xmlspecialchars(text, "UTF-8"), "UTF-8") == text);
    }
    return 0;
}
