#pragma once
// CRC-16 in its most common form (CRC-16/ARC, also called CRC-16/IBM): polynomial 0x8005
// reflected (0xA001), initial value 0, no final xor. The check value of "123456789" is 0xBB3D.

#include "qarvo/text/string.h"

namespace qarvo::common::System {

unsigned short crc16(const void* data, int length);
unsigned short crc16(const C_String& bytes);

}  // namespace qarvo::common::System
