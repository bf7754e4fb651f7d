#pragma once

#include <cstdint>
#include <span>

namespace protocol {

/// CRC-16/CCITT-FALSE (polynomial 0x1021, initial value 0xFFFF, no reflection, no final xor).
/// Chosen because it catches every burst error up to 16 bits, which covers a garbled byte pair.
std::uint16_t crc16(std::span<const std::uint8_t> bytes);

} // namespace protocol
