#pragma once

#include "convert/AnsiCodePage.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace panel {

/// The bytes a data text stands for, or the position (from 0) of its first character that
/// stands for no byte.
struct DataBytes {
    std::vector<std::uint8_t> bytes;
    qsizetype firstBad = -1;
    bool ok() const { return firstBad < 0; }
};

/// "HEX mode": each character is one hex digit (0-9, A-F, a-f) and gives one byte of that value,
/// so that a block of small values shown by a read writes back unchanged.
DataBytes hexModeBytes(const QString& text);

/// "STRING mode": each character gives its code in the single-byte code page.
DataBytes stringModeBytes(const QString& text, const convert::AnsiCodePage& codePage);

/// How a read shows one byte in "HEX mode": its decimal digits, without padding.
QString hexModeRendering(std::uint8_t byte);

/// The data box's maximum length for a block count text: "1" to "3" give 16 to 48, "4" no limit
/// (0); any other text leaves the limit as it is (nothing).
std::optional<int> dataLimitFor(const QString& countText);

} // namespace panel
