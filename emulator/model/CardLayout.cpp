#include "emulator/model/CardLayout.h"

namespace kov450 {

namespace {
constexpr std::size_t kSmallSectors = 32;
constexpr std::size_t kSmallSectorBlocks = 4;
constexpr std::size_t kLargeSectorBlocks = 16;
constexpr std::size_t kSmallArea = kSmallSectors * kSmallSectorBlocks; // 128 blocks
} // namespace

std::size_t blockCountOf(CardKind kind) {
    return kind == CardKind::Classic1K ? 64 : 256;
}

std::size_t sectorCountOf(CardKind kind) {
    return kind == CardKind::Classic1K ? 16 : 40;
}

std::size_t sectorOf(std::size_t block) {
    if (block < kSmallArea) {
        return block / kSmallSectorBlocks;
    }
    return kSmallSectors + (block - kSmallArea) / kLargeSectorBlocks;
}

std::size_t firstBlockOf(std::size_t sector) {
    if (sector < kSmallSectors) {
        return sector * kSmallSectorBlocks;
    }
    return kSmallArea + (sector - kSmallSectors) * kLargeSectorBlocks;
}

std::size_t blocksInSector(std::size_t sector) {
    return sector < kSmallSectors ? kSmallSectorBlocks : kLargeSectorBlocks;
}

std::size_t trailerOf(std::size_t sector) {
    return firstBlockOf(sector) + blocksInSector(sector) - 1;
}

bool isTrailer(std::size_t block) {
    return trailerOf(sectorOf(block)) == block;
}

std::size_t accessGroupOf(std::size_t block) {
    const std::size_t sector = sectorOf(block);
    const std::size_t index = block - firstBlockOf(sector);
    if (index == blocksInSector(sector) - 1) {
        return 3;
    }
    return blocksInSector(sector) == kSmallSectorBlocks ? index : index / 5;
}

} // namespace kov450
