#include "convert/Rounding.h"

#include <cmath>
#include <limits>

namespace convert {

double roundHalfEven(double value) {
    if (!std::isfinite(value)) {
        return value;
    }
    // std::nearbyint would follow the thread's rounding mode; the rule here must not.
    if (std::fabs(value - std::trunc(value)) == 0.5) {
        return 2.0 * std::round(value / 2.0);
    }
    return std::round(value);
}

namespace {

template <typename Int> std::optional<Int> roundInto(double value) {
    const double rounded = roundHalfEven(value);
    if (!std::isfinite(rounded) || rounded < std::numeric_limits<Int>::min() ||
        rounded > std::numeric_limits<Int>::max()) {
        return std::nullopt;
    }
    return static_cast<Int>(rounded);
}

} // namespace

std::optional<std::int16_t> roundToInt16(double value) {
    return roundInto<std::int16_t>(value);
}

std::optional<std::uint8_t> roundToByte(double value) {
    return roundInto<std::uint8_t>(value);
}

} // namespace convert
