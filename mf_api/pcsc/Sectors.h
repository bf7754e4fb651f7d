#pragma once

#include <cstddef>

namespace mfapi::pcsc {

// MIFARE Classic memory: 32 sectors of 4 blocks, then (4K) 8 sectors of 16 blocks.

inline constexpr std::size_t kSmallSectorBlocks = 128;

constexpr std::size_t sectorOf(std::size_t block) {
    return block < kSmallSectorBlocks ? block / 4 : 32 + (block - kSmallSectorBlocks) / 16;
}

constexpr bool isTrailer(std::size_t block) {
    return block < kSmallSectorBlocks ? block % 4 == 3 : (block - kSmallSectorBlocks) % 16 == 15;
}

} // namespace mfapi::pcsc
