// The CRC-16 that LHA stores for every member and for level-2/3 headers: polynomial 0xA001
// (reflected 0x8005), initial value 0, no final inversion.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lha {

uint16_t UpdateCrc16(uint16_t crc, const uint8_t* data, size_t size);

}  // namespace lha
