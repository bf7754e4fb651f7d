#pragma once

// MIFARE Classic memory as tagcard walks it (mifare/Sectors.h has the geometry): the last block
// of a sector is its trailer, key A, the access bits, key B.

#include "mifare/Sectors.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tagcard {

/// Where a sector trailer holds its access bits (bytes 6 to 8, and the user byte 9).
inline constexpr std::size_t kAccessOffset = 6;
inline constexpr std::size_t kAccessBytes = 4;

using mifare::kBlockSize;
inline constexpr std::size_t kKeySize = 6;
using Block = std::array<std::uint8_t, kBlockSize>;
using Key = std::array<std::uint8_t, kKeySize>;
using Uid = std::array<std::uint8_t, 4>;
/// What MF_Request answers: the ATQA's two bytes and the SAK.
using CardType = std::array<std::uint8_t, 3>;

using mifare::CardKind;

/// The kind a card's SAK names; nothing for a card tagcard cannot walk.
std::optional<CardKind> cardKindOf(const CardType& type);
std::string_view kindName(CardKind kind);

// The card's geometry in the block numbers MF_API takes.
inline int blockCount(CardKind kind) {
    return static_cast<int>(mifare::blockCountOf(kind));
}
inline int sectorCount(CardKind kind) {
    return static_cast<int>(mifare::sectorCountOf(kind));
}
inline int sectorOf(int block) {
    return static_cast<int>(mifare::sectorOf(static_cast<std::size_t>(block)));
}
inline int firstBlockOf(int sector) {
    return static_cast<int>(mifare::firstBlockOf(static_cast<std::size_t>(sector)));
}
inline int blocksIn(int sector) {
    return static_cast<int>(mifare::blocksInSector(static_cast<std::size_t>(sector)));
}
inline int trailerOf(int sector) {
    return static_cast<int>(mifare::trailerOf(static_cast<std::size_t>(sector)));
}
inline bool isTrailer(int block) {
    return mifare::isTrailer(static_cast<std::size_t>(block));
}

/// Whether a trailer's access bytes 6 to 8 hold each access bit with its inverse, as a card
/// needs: a trailer written with broken ones blocks its sector for good.
bool accessBitsConsistent(std::span<const std::uint8_t, kBlockSize> trailer);

/// Puts the keys known to open a sector into its trailer, where a read of it gives zeros.
void putKeys(Block& trailer, const std::optional<Key>& keyA, const std::optional<Key>& keyB);

} // namespace tagcard
