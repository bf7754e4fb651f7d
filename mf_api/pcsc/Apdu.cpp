#include "mf_api/pcsc/Apdu.h"

#include <algorithm>
#include <array>

namespace mfapi::pcsc {

namespace {
constexpr std::uint8_t kClass = 0xFF;
constexpr auto kBlockLength = static_cast<std::uint8_t>(protocol::kBlockSize);

// Header and data are copied into a vector of the whole size: appending to a vector built from
// a list of bytes trips GCC 12's -Warray-bounds at -O2.
template <std::size_t N>
Apdu withData(std::array<std::uint8_t, 5> header, std::span<const std::uint8_t, N> data) {
    Apdu apdu(header.size() + N);
    std::copy(header.begin(), header.end(), apdu.begin());
    std::copy(data.begin(), data.end(), apdu.begin() + static_cast<std::ptrdiff_t>(header.size()));
    return apdu;
}
} // namespace

Apdu getUid() {
    return {kClass, 0xCA, 0x00, 0x00, 0x00};
}

Apdu loadKey(std::uint8_t structure, std::uint8_t keyNumber, const protocol::Key& key) {
    return withData<protocol::kKeySize>(
        {kClass, 0x82, structure, keyNumber, static_cast<std::uint8_t>(key.size())}, key);
}

Apdu authenticate(std::uint8_t block, std::uint8_t keyType, std::uint8_t keyNumber) {
    // Data: version 01, block address high and low, key type, key number.
    return {kClass, 0x86, 0x00, 0x00, 0x05, 0x01, 0x00, block, keyType, keyNumber};
}

Apdu readBlock(std::uint8_t block) {
    return {kClass, 0xB0, 0x00, block, kBlockLength};
}

Apdu writeBlock(std::uint8_t block, std::span<const std::uint8_t, protocol::kBlockSize> data) {
    return withData<protocol::kBlockSize>({kClass, 0xD6, 0x00, block, kBlockLength}, data);
}

} // namespace mfapi::pcsc
