#include "qarvo/escape/crc16.h"

#include <array>

namespace qarvo::common::System {
namespace {

constexpr std::array<unsigned short, 256> makeTable()
{
    std::array<unsigned short, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned v = i;
        for (int bit = 0; bit < 8; ++bit)
            v = (v & 1) ? (v >> 1) ^ 0xA001 : v >> 1;
        table[i] = static_cast<unsigned short>(v);
    }
    return table;
}

constexpr std::array<unsigned short, 256> kTable = makeTable();

}  // namespace

unsigned short crc16(const void* data, int length)
{
    if (!data || length <= 0)
        return 0;
    const auto* p = static_cast<const unsigned char*>(data);
    unsigned crc = 0;
    for (int i = 0; i < length; ++i)
        crc = (crc >> 8) ^ kTable[(crc ^ p[i]) & 0xFF];
    return static_cast<unsigned short>(crc);
}

unsigned short crc16(const C_String& bytes) { return crc16(bytes.c_str(), bytes.Length()); }

}  // namespace qarvo::common::System
