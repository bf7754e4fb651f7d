#include "text/PrintableText.h"

#include <string_view>

namespace text {

namespace {

void appendEscaped(std::string& text, unsigned char byte) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    text += "\\x";
    text += kHex[byte >> 4U];
    text += kHex[byte & 0x0FU];
}

} // namespace

std::string printable(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x20 || byte == 0x7F) {
            appendEscaped(result, byte);
            continue;
        }
        // U+0080 to U+009F are C2 80 to C2 9F in UTF-8; some terminals obey them.
        const bool c1 = byte == 0xC2 && at + 1 < text.size() &&
                        static_cast<unsigned char>(text[at + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[at + 1]) <= 0x9F;
        if (c1) {
            appendEscaped(result, byte);
            appendEscaped(result, static_cast<unsigned char>(text[++at]));
            continue;
        }
        result += static_cast<char>(byte);
    }
    return result;
}

} // namespace text
