#pragma once

#include <array>
#include <cstdint>

namespace panel {

/// The panel's byte buffers, shared by its handlers and passed to MF_API as the address of their
/// first byte. Zero at start; only the handlers that own them change them.
struct Module1 {
    std::array<std::uint8_t, 3> CardType{};     ///< filled by the request
    std::array<std::uint8_t, 4> CardSN{};       ///< filled by the anticollision
    std::array<std::uint8_t, 6> KeyBytes{};     ///< assembled by the key load
    std::array<std::uint8_t, 64> BlockBytes{};  ///< up to four blocks of card data
    std::uint8_t DevAddr = 0;                   ///< the reader's bus address, as read
    std::array<std::uint8_t, 33> DevVerBytes{}; ///< the reader's version text
    std::array<std::uint8_t, 8> DevSNBytes{};   ///< the reader's serial number
    std::array<std::uint8_t, 33> DllVersion{};  ///< the library's version text
};

} // namespace panel
