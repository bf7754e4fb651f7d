#include "tagcard/CardLayout.h"

#include <algorithm>

namespace tagcard {

namespace {
constexpr std::uint8_t kSak1K = 0x08;
constexpr std::uint8_t kSak4K = 0x18;
constexpr std::size_t kKeyBOffset = 10;
} // namespace

std::optional<CardKind> cardKindOf(const CardType& type) {
    switch (type[2]) {
    case kSak1K:
        return CardKind::Classic1K;
    case kSak4K:
        return CardKind::Classic4K;
    default:
        return std::nullopt;
    }
}

std::string_view kindName(CardKind kind) {
    return kind == CardKind::Classic1K ? "MIFARE Classic 1K" : "MIFARE Classic 4K";
}

bool accessBitsConsistent(std::span<const std::uint8_t, kBlockSize> trailer) {
    // Byte 6: ~C2 ~C1, byte 7: C1 ~C3, byte 8: C3 C2, a nibble each (one bit per block).
    const unsigned byte6 = trailer[kAccessOffset];
    const unsigned byte7 = trailer[kAccessOffset + 1];
    const unsigned byte8 = trailer[kAccessOffset + 2];
    const unsigned c1 = byte7 >> 4;
    const unsigned c2 = byte8 & 0x0F;
    const unsigned c3 = byte8 >> 4;
    return (~byte6 & 0x0F) == c1 && ((~byte6 >> 4) & 0x0F) == c2 && (~byte7 & 0x0F) == c3;
}

void putKeys(Block& trailer, const std::optional<Key>& keyA, const std::optional<Key>& keyB) {
    if (keyA) {
        std::copy(keyA->begin(), keyA->end(), trailer.begin());
    }
    if (keyB) {
        std::copy(keyB->begin(), keyB->end(), trailer.begin() + kKeyBOffset);
    }
}

} // namespace tagcard
