#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace protocol {

/// Little-endian integer helpers for payloads.
inline void appendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    }
}

inline void appendI32(std::vector<std::uint8_t>& out, std::int32_t value) {
    appendU32(out, static_cast<std::uint32_t>(value));
}

inline void appendI16(std::vector<std::uint8_t>& out, std::int16_t value) {
    const auto bits = static_cast<std::uint16_t>(value);
    out.push_back(static_cast<std::uint8_t>(bits & 0xFF));
    out.push_back(static_cast<std::uint8_t>(bits >> 8));
}

/// Reads a little-endian u32 from the first four bytes of `bytes` (the caller checks the size).
inline std::uint32_t readU32(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) |
           (static_cast<std::uint32_t>(bytes[3]) << 24);
}

inline std::int32_t readI32(std::span<const std::uint8_t> bytes) {
    return static_cast<std::int32_t>(readU32(bytes));
}

inline std::int16_t readI16(std::span<const std::uint8_t> bytes) {
    return static_cast<std::int16_t>(
        static_cast<std::uint16_t>(bytes[0] | (static_cast<std::uint16_t>(bytes[1]) << 8)));
}

} // namespace protocol
