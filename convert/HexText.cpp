#include "convert/HexText.h"

namespace convert {

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
