#include "viewer/core/model/hand_over.h"

#include "qarvo/charcode/system_charcode.h"

namespace pelmora::viewer {

namespace System = qarvo::common::System;

HandOver ReadHandOver(std::string_view received)
{
    HandOver out;
    const size_t end = received.find('\n');
    const std::string_view line = received.substr(0, end == std::string_view::npos ? received.size() : end);
    if (line.size() > kMaxHandOverBytes || line.find('\0') != std::string_view::npos) {
        out.state = HandOverState::Invalid;
        return out;
    }
    if (end == std::string_view::npos)
        return out;
    out.state = HandOverState::Complete;
    // Invalid UTF-8 becomes U+FFFD, which no address holds: StartFetch refuses it as any
    // other text it cannot use.
    qarvo::C_WString address = System::utf8_to_utf16(qarvo::C_String(std::string(line)));
    address.Trim();
    if (address.Length() > kMaxHandOverAddress)
        return out;
    for (int i = 0; i < address.Length(); ++i)
        if (address[i] < 0x20 || address[i] == 0x7F)
            return out;
    out.address = address;
    return out;
}

std::string HandOverMessage(const qarvo::C_WString& address)
{
    qarvo::C_WString line = address;
    line.Replace(u"\r", u" ").Replace(u"\n", u" ");
    return System::utf16_to_utf8(line).std() + "\n";
}

}  // namespace pelmora::viewer
