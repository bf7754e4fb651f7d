#pragma once

#include <cstddef>
#include <cstdint>

namespace kov450 {

/// MIFARE Classic memory sizes: 1K is 16 sectors of 4 blocks; 4K adds to 32 such sectors eight
/// sectors of 16 blocks.
enum class CardKind : std::uint8_t { Classic1K, Classic4K };

std::size_t blockCountOf(CardKind kind);
std::size_t sectorCountOf(CardKind kind);

/// Sector holding `block` (the caller keeps block inside the card).
std::size_t sectorOf(std::size_t block);
std::size_t firstBlockOf(std::size_t sector);
std::size_t blocksInSector(std::size_t sector);
std::size_t trailerOf(std::size_t sector);
bool isTrailer(std::size_t block);

/// Access bit group of a block: 0 to 2 for data, 3 for the trailer. In 16-block sectors each
/// data group covers five blocks.
std::size_t accessGroupOf(std::size_t block);

} // namespace kov450
