#include "emulator/model/MifareClassic.h"

#include "protocol/Bytes.h"

namespace kov450 {

Block encodeValueBlock(std::int32_t value, std::uint8_t address) {
    std::vector<std::uint8_t> bytes;
    protocol::appendI32(bytes, value);
    protocol::appendI32(bytes, ~value);
    protocol::appendI32(bytes, value);
    const auto inverse = static_cast<std::uint8_t>(~address);
    bytes.insert(bytes.end(), {address, inverse, address, inverse});
    Block block{};
    std::copy(bytes.begin(), bytes.end(), block.begin());
    return block;
}

std::optional<std::pair<std::int32_t, std::uint8_t>> decodeValueBlock(const Block& block) {
    const std::span<const std::uint8_t> bytes(block);
    const std::int32_t value = protocol::readI32(bytes.subspan(0, 4));
    const std::int32_t inverse = protocol::readI32(bytes.subspan(4, 4));
    const std::int32_t copy = protocol::readI32(bytes.subspan(8, 4));
    const std::uint8_t address = block[12];
    const auto notAddress = static_cast<std::uint8_t>(~address);
    if (value != copy || inverse != ~value || block[13] != notAddress || block[14] != address ||
        block[15] != notAddress) {
        return std::nullopt;
    }
    return std::pair{value, address};
}

} // namespace kov450
