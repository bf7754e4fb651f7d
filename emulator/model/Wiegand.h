#pragma once

#include "emulator/model/MifareClassic.h"

#include <cstdint>
#include <string>

namespace kov450 {

/// A 26-bit Wiegand frame as the reader sends it when a card enters its field: an even parity
/// bit over the first 12 data bits, 24 data bits (the facility code, UID byte 1, then the card
/// number, UID bytes 2 and 3), and an odd parity bit over the last 12.
struct Wiegand26 {
    std::uint32_t bits; ///< bit 25 is sent first
    std::uint8_t facility;
    std::uint16_t cardNumber;

    /// The 26 bits as '0' and '1', first sent first.
    std::string text() const;
};

Wiegand26 wiegand26(const Uid& uid);

} // namespace kov450
