#include "emulator/model/Wiegand.h"

#include <bit>

namespace kov450 {

Wiegand26 wiegand26(const Uid& uid) {
    const auto facility = uid[1];
    const auto cardNumber = static_cast<std::uint16_t>((uid[2] << 8) | uid[3]);
    const std::uint32_t data = (std::uint32_t{facility} << 16) | cardNumber;
    const std::uint32_t firstHalf = data >> 12;
    const std::uint32_t secondHalf = data & 0xFFFU;
    const std::uint32_t evenParity = std::popcount(firstHalf) % 2 == 1 ? 1U : 0U;
    const std::uint32_t oddParity = std::popcount(secondHalf) % 2 == 0 ? 1U : 0U;
    return {(evenParity << 25) | (data << 1) | oddParity, facility, cardNumber};
}

std::string Wiegand26::text() const {
    std::string shown;
    for (int bit = 25; bit >= 0; --bit) {
        shown.push_back(((bits >> bit) & 1U) != 0 ? '1' : '0');
    }
    return shown;
}

} // namespace kov450
