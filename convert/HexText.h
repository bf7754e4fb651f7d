#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <span>

namespace convert {

/// The value of one hex digit, 0-9, A-F or a-f; nothing for any other character.
[[nodiscard]] std::optional<std::uint8_t> hexDigitValue(QChar character);

/// Upper-case hexadecimal digits without leading zero: 0 gives "0", 10 "A", 171 "AB".
QString hexOfByte(std::uint8_t byte);

/// The bytes' hex texts joined with nothing between them: 0A 1B 00 C3 gives "A1B0C3".
QString hexOfBytes(std::span<const std::uint8_t> bytes);

} // namespace convert
