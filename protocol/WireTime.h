#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace protocol {

/// Time the given number of bytes takes on an 8N1 line: ten bit times per byte (start, eight
/// data bits, stop).
inline std::chrono::microseconds wireTime(std::size_t bytes, std::uint32_t bitsPerSecond) {
    if (bitsPerSecond == 0) {
        return std::chrono::microseconds{0};
    }
    const auto bits = static_cast<std::uint64_t>(bytes) * 10U;
    return std::chrono::microseconds{
        static_cast<std::int64_t>((bits * 1'000'000U + bitsPerSecond - 1) / bitsPerSecond)};
}

} // namespace protocol
