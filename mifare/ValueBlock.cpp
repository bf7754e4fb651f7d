#include "mifare/ValueBlock.h"

#include <limits>

namespace mifare {

namespace {

std::uint32_t wordAt(std::span<const std::uint8_t, kBlockSize> bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset]) |
           static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

void putWord(Block& bytes, std::size_t offset, std::uint32_t word) {
    for (std::size_t at = 0; at < 4; ++at) {
        bytes[offset + at] = static_cast<std::uint8_t>(word >> (8 * at));
    }
}

} // namespace

std::optional<ValueBlock> decodeValueBlock(std::span<const std::uint8_t, kBlockSize> bytes) {
    const std::uint32_t value = wordAt(bytes, 0);
    const std::uint8_t address = bytes[12];
    const auto inverse = static_cast<std::uint8_t>(~address);
    if (wordAt(bytes, 4) != ~value || wordAt(bytes, 8) != value || bytes[13] != inverse ||
        bytes[14] != address || bytes[15] != inverse) {
        return std::nullopt;
    }
    return ValueBlock{static_cast<std::int32_t>(value), address};
}

Block encodeValueBlock(const ValueBlock& block) {
    Block bytes{};
    const auto value = static_cast<std::uint32_t>(block.value);
    putWord(bytes, 0, value);
    putWord(bytes, 4, ~value);
    putWord(bytes, 8, value);
    const auto inverse = static_cast<std::uint8_t>(~block.address);
    bytes[12] = block.address;
    bytes[13] = inverse;
    bytes[14] = block.address;
    bytes[15] = inverse;
    return bytes;
}

std::optional<std::int32_t> applyValueOperation(protocol::ValueOperation operation,
                                                std::int32_t current, std::int32_t operand) {
    std::int64_t result = current;
    switch (operation) {
    case protocol::ValueOperation::Increment:
        result += operand;
        break;
    case protocol::ValueOperation::Decrement:
        result -= operand;
        break;
    case protocol::ValueOperation::Restore:
        break;
    default:
        return std::nullopt;
    }
    if (result < std::numeric_limits<std::int32_t>::min() ||
        result > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(result);
}

} // namespace mifare
