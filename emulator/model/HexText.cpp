#include "emulator/model/HexText.h"

namespace kov450 {

namespace {

constexpr std::string_view kDigits = "0123456789ABCDEF";

int valueOf(char digit) {
    if (digit >= '0' && digit <= '9') {
        return digit - '0';
    }
    if (digit >= 'A' && digit <= 'F') {
        return digit - 'A' + 10;
    }
    if (digit >= 'a' && digit <= 'f') {
        return digit - 'a' + 10;
    }
    return -1;
}

} // namespace

std::string hexText(std::span<const std::uint8_t> bytes, std::string_view between) {
    std::string text;
    text.reserve(bytes.size() * (2 + between.size()));
    for (const std::uint8_t byte : bytes) {
        if (!text.empty()) {
            text += between;
        }
        text += kDigits[byte >> 4U];
        text += kDigits[byte & 0x0FU];
    }
    return text;
}

std::optional<std::vector<std::uint8_t>> bytesOfHexText(std::string_view text) {
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t at = 0; at < text.size(); at += 2) {
        const int high = valueOf(text[at]);
        const int low = valueOf(text[at + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

} // namespace kov450
