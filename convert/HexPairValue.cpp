#include "convert/HexPairValue.h"

#include "convert/HexText.h"

std::optional<std::int16_t> HexPairValue(QString text) {
    if (text.size() == 1) {
        text.prepend(u'0');
    }
    if (text.size() < 2) {
        return std::nullopt;
    }
    const std::optional<std::uint8_t> high = convert::hexDigitValue(text[0]);
    const std::optional<std::uint8_t> low = convert::hexDigitValue(text[1]);
    if (!high || !low) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(*high * 16 + *low);
}
