#pragma once

#include "protocol/WireTime.h"

#include <cstddef>
#include <cstdint>

namespace bench {

/// The line speed every paced figure is held against.
constexpr std::uint32_t kLineSpeed = 9600;

/// The wire time of so many bytes at that speed, in milliseconds: the physical limit.
inline double wireMs(std::size_t bytes) {
    return static_cast<double>(protocol::wireTime(bytes, kLineSpeed).count()) / 1000.0;
}

} // namespace bench
