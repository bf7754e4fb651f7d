#pragma once

#include "mifare/Sectors.h"
#include "protocol/Codes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace mifare {

using Block = std::array<std::uint8_t, kBlockSize>;

/// A value block: a signed 32-bit value and an address byte.
struct ValueBlock {
    std::int32_t value = 0;
    std::uint8_t address = 0;
    friend bool operator==(const ValueBlock&, const ValueBlock&) = default;
};

/// The value block the 16 bytes hold (value, its inverse, value, little-endian; then address,
/// inverse, address, inverse), or nothing when a copy disagrees.
[[nodiscard]] std::optional<ValueBlock>
decodeValueBlock(std::span<const std::uint8_t, kBlockSize> bytes);
Block encodeValueBlock(const ValueBlock& block);

/// What an operation makes of a value: the operand added, taken off, or ignored (restore).
/// Nothing for an unknown operation or a result outside 32 bits.
[[nodiscard]] std::optional<std::int32_t>
applyValueOperation(protocol::ValueOperation operation, std::int32_t current, std::int32_t operand);

} // namespace mifare
