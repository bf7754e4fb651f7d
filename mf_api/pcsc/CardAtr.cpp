#include "mf_api/pcsc/CardAtr.h"

#include <algorithm>
#include <array>
#include <bit>

namespace mfapi::pcsc {

namespace {

constexpr std::array<std::uint8_t, 5> kStorageCardRid{0xA0, 0x00, 0x00, 0x03, 0x06};
constexpr std::uint16_t kClassic1K = 0x0001;
constexpr std::uint16_t kClassic4K = 0x0002;
constexpr std::uint16_t kMini = 0x0026;

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
    if (!bytes || bytes->size() < 11 || (*bytes)[0] != 0x80 || (*bytes)[1] != 0x4F ||
        (*bytes)[2] < 8 ||
        !std::equal(kStorageCardRid.begin(), kStorageCardRid.end(), bytes->begin() + 3)) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(((*bytes)[9] << 8) | (*bytes)[10]);
}

bool contactlessAtr(std::span<const std::uint8_t> atr) {
    return atr.size() >= 4 && atr[0] == 0x3B && (atr[1] & 0xF0) == 0x80 && atr[2] == 0x80 &&
           atr[3] == 0x01;
}

std::optional<protocol::CardTypeBytes> cardTypeFromAtr(std::span<const std::uint8_t> atr) {
    switch (storageCardName(atr).value_or(0)) {
    case kClassic1K:
        return protocol::CardTypeBytes{0x04, 0x00, 0x08};
    case kClassic4K:
        return protocol::CardTypeBytes{0x02, 0x00, 0x18};
    case kMini:
        return protocol::CardTypeBytes{0x04, 0x00, 0x09};
    default:
        return std::nullopt;
    }
}

std::size_t blockCountFromAtr(std::span<const std::uint8_t> atr) {
    switch (storageCardName(atr).value_or(0)) {
    case kClassic1K:
        return 64;
    case kMini:
        return 20;
    default:
        return 256;
    }
}

} // namespace mfapi::pcsc
