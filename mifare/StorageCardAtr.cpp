#include "mifare/StorageCardAtr.h"

#include <algorithm>
#include <array>
#include <bit>

namespace mifare {

namespace {

constexpr std::array<std::uint8_t, 5> kStorageCardRid{0xA0, 0x00, 0x00, 0x03, 0x06};
constexpr std::uint8_t kCategory = 0x80;
constexpr std::uint8_t kApplicationIdentifier = 0x4F;
constexpr std::uint8_t kIso14443Part3TypeA = 0x03;

} // namespace

std::optional<std::span<const std::uint8_t>> historicalBytes(std::span<const std::uint8_t> atr) {
    if (atr.size() < 2) {
        return std::nullopt;
    }
    const std::size_t historical = atr[1] & 0x0F;
    std::size_t at = 1;
    std::uint8_t indicator = atr[1];
    // Each indicator's high nibble says which of TA, TB, TC, TD follow it.
    for (;;) {
        const std::size_t present =
            static_cast<std::size_t>(std::popcount(static_cast<unsigned>(indicator >> 4)));
        const bool more = (indicator & 0x80) != 0;
        if (at + present >= atr.size()) {
            return std::nullopt;
        }
        at += present;
        if (!more) {
            break;
        }
        indicator = atr[at];
    }
    if (atr.size() < at + 1 + historical) {
        return std::nullopt;
    }
    return atr.subspan(at + 1, historical);
}

std::optional<std::uint16_t> storageCardName(std::span<const std::uint8_t> atr) {
    const auto bytes = historicalBytes(atr);
    // 80, 4F, length, RID (5), standard (1), card name (2), ...
    if (!bytes || bytes->size() < 11 || (*bytes)[0] != kCategory ||
        (*bytes)[1] != kApplicationIdentifier || (*bytes)[2] < 8 ||
        !std::equal(kStorageCardRid.begin(), kStorageCardRid.end(), bytes->begin() + 3)) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(((*bytes)[9] << 8) | (*bytes)[10]);
}

bool contactlessAtr(std::span<const std::uint8_t> atr) {
    return atr.size() >= 4 && atr[0] == 0x3B && (atr[1] & 0xF0) == 0x80 && atr[2] == 0x80 &&
           atr[3] == 0x01;
}

std::vector<std::uint8_t> storageCardAtr(CardKind kind) {
    const std::uint16_t name = kind == CardKind::Classic1K ? kClassic1KName : kClassic4KName;
    std::vector<std::uint8_t> atr{0x3B, 0x8F, 0x80, 0x01, kCategory, kApplicationIdentifier, 0x0C};
    atr.insert(atr.end(), kStorageCardRid.begin(), kStorageCardRid.end());
    atr.insert(atr.end(), {kIso14443Part3TypeA, static_cast<std::uint8_t>(name >> 8),
                           static_cast<std::uint8_t>(name & 0xFF), 0x00, 0x00, 0x00, 0x00});
    // The check byte makes the exclusive-or of every byte after TS zero.
    std::uint8_t check = 0;
    for (std::size_t at = 1; at < atr.size(); ++at) {
        check ^= atr[at];
    }
    atr.push_back(check);
    return atr;
}

} // namespace mifare
