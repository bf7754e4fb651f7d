#pragma once

#include <cstdint>
#include <optional>

namespace convert {

/// Nearest integer, an exact half going to the even neighbour (2.5 gives 2, 3.5 gives 4).
double roundHalfEven(double value);

/// The value rounded half to even, or nothing when it does not fit -32768 to 32767.
[[nodiscard]] std::optional<std::int16_t> roundToInt16(double value);

/// The value rounded half to even, or nothing when it does not fit 0 to 255.
[[nodiscard]] std::optional<std::uint8_t> roundToByte(double value);

} // namespace convert
