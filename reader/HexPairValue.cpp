#include "reader/HexPairValue.h"

namespace {

std::optional<std::int16_t> hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return static_cast<std::int16_t>(u - u'0');
    }
    if (u >= u'A' && u <= u'F') {
        return static_cast<std::int16_t>(u - u'A' + 10);
    }
    if (u >= u'a' && u <= u'f') {
        return static_cast<std::int16_t>(u - u'a' + 10);
    }
    return std::nullopt;
}

} // namespace

std::optional<std::int16_t> HexPairValue(QString text) {
    if (text.size() == 1) {
        text.prepend(u'0');
    }
    if (text.size() < 2) {
        return std::nullopt;
    }
    const std::optional<std::int16_t> high = hexDigit(text[0]);
    const std::optional<std::int16_t> low = hexDigit(text[1]);
    if (!high || !low) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(*high * 16 + *low);
}
