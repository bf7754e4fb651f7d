#pragma once

#include <QString>

#include <cstdint>
#include <optional>

/// The value of a hex pair, the short text that holds one byte of a key: a single character is
/// the low digit ("A" gives 10), otherwise the first two characters are the high and the low
/// digit in either case ("e9" gives 233) and the rest is ignored ("123" gives 18). Nothing when
/// either of those two characters is not a hex digit, or the text is empty.
[[nodiscard]] std::optional<std::int16_t> HexPairValue(QString text);
