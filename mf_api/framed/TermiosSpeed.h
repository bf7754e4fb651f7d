#pragma once

#include "mf_api/LineSpeed.h"

#include <termios.h>

#include <algorithm>
#include <optional>

namespace mfapi::framed {

/// The termios constant of one of the library's line speeds.
constexpr std::optional<speed_t> termiosSpeed(std::int64_t bitsPerSecond) {
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

static_assert(std::all_of(kLineSpeeds.begin(), kLineSpeeds.end(),
                          [](std::uint32_t speed) { return termiosSpeed(speed).has_value(); }),
              "a serial line opens at every speed the library takes");

} // namespace mfapi::framed
