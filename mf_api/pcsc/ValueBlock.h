#pragma once

#include "protocol/Messages.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace mfapi::pcsc {

using BlockBytes = std::array<std::uint8_t, protocol::kBlockSize>;

/// A MIFARE value block: a signed 32-bit value and an address byte.
struct ValueBlock {
    std::int32_t value = 0;
    std::uint8_t address = 0;
    friend bool operator==(const ValueBlock&, const ValueBlock&) = default;
};

/// The value block the 16 bytes hold (value, its inverse, value, little-endian; then address,
/// inverse, address, inverse), or nothing when they are not one.
std::optional<ValueBlock>
decodeValueBlock(std::span<const std::uint8_t, protocol::kBlockSize> bytes);
BlockBytes encodeValueBlock(const ValueBlock& block);

/// What MF_Value's operation makes of a value: an MF_API status and, when it is 0, the value.
struct ValueOutcome {
    std::int32_t status = 0;
    std::int32_t value = 0;
};

/// Increment, decrement, or restore (the operand is ignored); an unknown operation or a result
/// outside 32 bits is refused with 10.
ValueOutcome applyValueOperation(protocol::ValueOperation operation, std::int32_t current,
                                 std::int32_t operand);

} // namespace mfapi::pcsc
