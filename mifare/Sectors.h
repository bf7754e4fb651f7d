#pragma once

#include <cstddef>
#include <cstdint>

namespace mifare {

// MIFARE Classic memory: blocks of 16 bytes in sectors of 4 blocks (1K: 16 sectors; 4K: 32),
// then, on a 4K card, 8 sectors of 16 blocks. The last block of each sector is its trailer.

inline constexpr std::size_t kBlockSize = 16;

enum class CardKind : std::uint8_t { Classic1K, Classic4K };

namespace detail {
inline constexpr std::size_t kSmallSectors = 32;
inline constexpr std::size_t kSmallSectorBlocks = 4;
inline constexpr std::size_t kLargeSectorBlocks = 16;
inline constexpr std::size_t kSmallArea = kSmallSectors * kSmallSectorBlocks; // 128 blocks
} // namespace detail

constexpr std::size_t blockCountOf(CardKind kind) {
    return kind == CardKind::Classic1K ? 64 : 256;
}

constexpr std::size_t sectorCountOf(CardKind kind) {
    return kind == CardKind::Classic1K ? 16 : 40;
}

/// The sector holding `block`.
constexpr std::size_t sectorOf(std::size_t block) {
    using namespace detail;
    return block < kSmallArea ? block / kSmallSectorBlocks
                              : kSmallSectors + (block - kSmallArea) / kLargeSectorBlocks;
}

constexpr std::size_t firstBlockOf(std::size_t sector) {
    using namespace detail;
    return sector < kSmallSectors ? sector * kSmallSectorBlocks
                                  : kSmallArea + (sector - kSmallSectors) * kLargeSectorBlocks;
}

constexpr std::size_t blocksInSector(std::size_t sector) {
    return sector < detail::kSmallSectors ? detail::kSmallSectorBlocks : detail::kLargeSectorBlocks;
}

constexpr std::size_t trailerOf(std::size_t sector) {
    return firstBlockOf(sector) + blocksInSector(sector) - 1;
}

constexpr bool isTrailer(std::size_t block) {
    return trailerOf(sectorOf(block)) == block;
}

/// The access bit group of a block: 0 to 2 for data, 3 for the trailer. In 16-block sectors
/// each data group covers five blocks.
constexpr std::size_t accessGroupOf(std::size_t block) {
    const std::size_t sector = sectorOf(block);
    const std::size_t index = block - firstBlockOf(sector);
    if (index == blocksInSector(sector) - 1) {
        return 3;
    }
    return blocksInSector(sector) == detail::kSmallSectorBlocks ? index : index / 5;
}

} // namespace mifare
