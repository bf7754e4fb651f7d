#pragma once

#include <termios.h>

#include <array>
#include <cstdint>
#include <optional>

namespace mfapi {

/// Line speeds the library opens a port at: the reader's own five.
inline constexpr std::array<std::uint32_t, 5> kLineSpeeds{9600, 19200, 38400, 57600, 115200};

/// The termios constant for a supported speed.
inline std::optional<speed_t> termiosSpeed(std::int64_t bitsPerSecond) {
    switch (bitsPerSecond) {
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return std::nullopt;
    }
}

} // namespace mfapi
