#include "mf_api/pcsc/Apdu.h"

namespace mfapi::pcsc {

namespace {
constexpr std::uint8_t kClass = 0xFF;
constexpr auto kBlockLength = static_cast<std::uint8_t>(protocol::kBlockSize);
} // namespace

Apdu getUid() {
    return {kClass, 0xCA, 0x00, 0x00, 0x00};
}

Apdu loadKey(std::uint8_t structure, std::uint8_t keyNumber, const protocol::Key& key) {
    Apdu apdu{kClass, 0x82, structure, keyNumber, static_cast<std::uint8_t>(key.size())};
    apdu.insert(apdu.end(), key.begin(), key.end());
    return apdu;
}

Apdu authenticate(std::uint8_t block, std::uint8_t keyType, std::uint8_t keyNumber) {
    // Data: version 01, block address high and low, key type, key number.
    return {kClass, 0x86, 0x00, 0x00, 0x05, 0x01, 0x00, block, keyType, keyNumber};
}

Apdu readBlock(std::uint8_t block) {
    return {kClass, 0xB0, 0x00, block, kBlockLength};
}

Apdu writeBlock(std::uint8_t block, std::span<const std::uint8_t, protocol::kBlockSize> data) {
    Apdu apdu{kClass, 0xD6, 0x00, block, kBlockLength};
    apdu.insert(apdu.end(), data.begin(), data.end());
    return apdu;
}

} // namespace mfapi::pcsc
