#pragma once

#include <cstdint>

namespace protocol {

// The coded fields of the messages, with their codes on the wire (and in MF_API's arguments).
// A message carries whatever code came, known or not: the reader (or the back end) judges it,
// and answers an unknown one with 10 (bad parameter).

/// Which key of a sector: code 1 is key A (the panel's check box reads "KEY A"), 0 key B.
enum class KeyType : std::uint8_t { B = 0, A = 1 };

/// Which cards a request wakes: code 0 only idle ones (REQA), 1 halted ones too (WUPA).
enum class RequestMode : std::uint8_t { IdleOnly = 0, All = 1 };

/// What an operation on a value block does with its operand.
enum class ValueOperation : std::uint8_t { Increment = 1, Decrement = 2, Restore = 3 };

constexpr std::uint8_t toByte(KeyType type) {
    return static_cast<std::uint8_t>(type);
}
constexpr std::uint8_t toByte(RequestMode mode) {
    return static_cast<std::uint8_t>(mode);
}
constexpr std::uint8_t toByte(ValueOperation operation) {
    return static_cast<std::uint8_t>(operation);
}

/// Whether a code names one of the values.
constexpr bool isKnown(KeyType type) {
    return type == KeyType::A || type == KeyType::B;
}
constexpr bool isKnown(RequestMode mode) {
    return mode == RequestMode::IdleOnly || mode == RequestMode::All;
}
constexpr bool isKnown(ValueOperation operation) {
    return operation == ValueOperation::Increment || operation == ValueOperation::Decrement ||
           operation == ValueOperation::Restore;
}

} // namespace protocol
