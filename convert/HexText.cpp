#include "convert/HexText.h"

namespace convert {

std::optional<std::uint8_t> hexDigitValue(QChar character) {
    const char16_t c = character.unicode();
    if (c >= u'0' && c <= u'9') {
        return static_cast<std::uint8_t>(c - u'0');
    }
    if (c >= u'A' && c <= u'F') {
        return static_cast<std::uint8_t>(c - u'A' + 10);
    }
    if (c >= u'a' && c <= u'f') {
        return static_cast<std::uint8_t>(c - u'a' + 10);
    }
    return std::nullopt;
}

QString hexOfByte(std::uint8_t byte) {
    return QString::number(byte, 16).toUpper();
}

QString hexOfBytes(std::span<const std::uint8_t> bytes) {
    QString text;
    for (const std::uint8_t byte : bytes) {
        text += hexOfByte(byte);
    }
    return text;
}

} // namespace convert
