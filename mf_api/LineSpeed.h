#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

namespace mfapi {

/// Line speeds the library opens a serial port at and follows a reader to: the reader's own
/// five. MF_SetDeviceBaud refuses any other on every port, before it asks the reader.
inline constexpr std::array<std::uint32_t, 5> kLineSpeeds{9600, 19200, 38400, 57600, 115200};

constexpr bool isLineSpeed(std::int64_t bitsPerSecond) {
    return std::find(kLineSpeeds.begin(), kLineSpeeds.end(), bitsPerSecond) != kLineSpeeds.end();
}

} // namespace mfapi
