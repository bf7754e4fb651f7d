#include "mf_api/pcsc/ValueBlock.h"

#include "protocol/Status.h"

#include <limits>

namespace mfapi::pcsc {

namespace {

std::uint32_t wordAt(std::span<const std::uint8_t, protocol::kBlockSize> bytes,
                     std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset]) |
           static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

void putWord(BlockBytes& bytes, std::size_t offset, std::uint32_t word) {
    for (std::size_t at = 0; at < 4; ++at) {
        bytes[offset + at] = static_cast<std::uint8_t>(word >> (8 * at));
    }
}

} // namespace

std::optional<ValueBlock>
decodeValueBlock(std::span<const std::uint8_t, protocol::kBlockSize> bytes) {
    const std::uint32_t value = wordAt(bytes, 0);
    const std::uint8_t address = bytes[12];
    const auto inverse = static_cast<std::uint8_t>(~address);
    if (wordAt(bytes, 4) != ~value || wordAt(bytes, 8) != value || bytes[13] != inverse ||
        bytes[14] != address || bytes[15] != inverse) {
        return std::nullopt;
    }
    return ValueBlock{static_cast<std::int32_t>(value), address};
}

BlockBytes encodeValueBlock(const ValueBlock& block) {
    BlockBytes bytes{};
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

ValueOutcome applyValueOperation(protocol::ValueOperation operation, std::int32_t current,
                                 std::int32_t operand) {
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
        return {protocol::status::kBadParameter, 0};
    }
    if (result < std::numeric_limits<std::int32_t>::min() ||
        result > std::numeric_limits<std::int32_t>::max()) {
        return {protocol::status::kBadParameter, 0};
    }
    return {protocol::status::kOk, static_cast<std::int32_t>(result)};
}

} // namespace mfapi::pcsc
