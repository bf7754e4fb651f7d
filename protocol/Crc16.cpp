#include "protocol/Crc16.h"

namespace protocol {

std::uint16_t crc16(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (const std::uint8_t byte : bytes) {
        crc = static_cast<std::uint16_t>(crc ^ (byte << 8));
        for (int bit = 0; bit < 8; ++bit) {
            const bool top = (crc & 0x8000) != 0;
            crc = static_cast<std::uint16_t>(crc << 1);
            if (top) {
                crc = static_cast<std::uint16_t>(crc ^ 0x1021);
            }
        }
    }
    return crc;
}

} // namespace protocol
