#pragma once

// MIFARE Classic memory as tagcard walks it: 1K cards have 16 sectors of 4 blocks; 4K cards 32
// such sectors, then 8 sectors of 16 blocks. The last block of a sector is its trailer: key A,
// the access bits, key B.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tagcard {

inline constexpr std::size_t kBlockSize = 16;
inline constexpr std::size_t kKeySize = 6;
using Block = std::array<std::uint8_t, kBlockSize>;
using Key = std::array<std::uint8_t, kKeySize>;
using Uid = std::array<std::uint8_t, 4>;
/// What MF_Request answers: the ATQA's two bytes and the SAK.
using CardType = std::array<std::uint8_t, 3>;

enum class CardKind { Classic1K, Classic4K };

/// The kind a card's SAK names; nothing for a card tagcard cannot walk.
std::optional<CardKind> cardKindOf(const CardType& type);
std::string_view kindName(CardKind kind);

int blockCount(CardKind kind);
int sectorCount(CardKind kind);
int sectorOf(int block);
int firstBlockOf(int sector);
int blocksIn(int sector);
int trailerOf(int sector);
bool isTrailer(int block);

/// Whether a trailer's access bytes 6 to 8 hold each access bit with its inverse, as a card
/// needs: a trailer written with broken ones blocks its sector for good.
bool accessBitsConsistent(std::span<const std::uint8_t, kBlockSize> trailer);

/// Puts the keys known to open a sector into its trailer, where a read of it gives zeros.
void putKeys(Block& trailer, const std::optional<Key>& keyA, const std::optional<Key>& keyB);

} // namespace tagcard
