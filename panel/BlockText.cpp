#include "panel/BlockText.h"

#include "convert/HexText.h"

namespace panel {

DataBytes hexModeBytes(const QString& text) {
    DataBytes result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const std::optional<std::uint8_t> digit = convert::hexDigitValue(text[i]);
        if (!digit) {
            result.firstBad = i;
            return result;
        }
        result.bytes.push_back(*digit);
    }
    return result;
}

DataBytes stringModeBytes(const QString& text, const convert::AnsiCodePage& codePage) {
    DataBytes result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const std::optional<std::uint8_t> byte = codePage.byteOf(text[i]);
        if (!byte) {
            result.firstBad = i;
            return result;
        }
        result.bytes.push_back(*byte);
    }
    return result;
}

QString hexModeRendering(std::uint8_t byte) {
    return QString::number(byte);
}

std::optional<int> dataLimitFor(const QString& countText) {
    if (countText == "1") {
        return 16;
    }
    if (countText == "2") {
        return 32;
    }
    if (countText == "3") {
        return 48;
    }
    if (countText == "4") {
        return 0;
    }
    return std::nullopt;
}

} // namespace panel
