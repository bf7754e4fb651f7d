#include "tagcard/Arguments.h"

#include <MF_API.h>

#include <algorithm>
#include <charconv>
#include <optional>

namespace tagcard {

namespace {

std::optional<std::uint8_t> hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<std::uint8_t>(c - '0');
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<std::uint8_t>(c - 'A' + 10);
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<std::uint8_t>(c - 'a' + 10);
    }
    return std::nullopt;
}

/// Exactly `out.size()` bytes of hex digits; why not, naming `what`.
std::optional<std::string> readHex(std::string_view text, std::span<std::uint8_t> out,
                                   std::string_view what) {
    const std::size_t digits = out.size() * 2;
    if (text.size() != digits) {
        return std::string(what) + " is " + std::to_string(digits) + " hex digits, not " +
               std::to_string(text.size()) + ": '" + std::string(text) + "'";
    }
    for (std::size_t at = 0; at < digits; at += 2) {
        const auto high = hexDigit(text[at]);
        const auto low = hexDigit(text[at + 1]);
        if (!high || !low) {
            const std::size_t bad = high ? at + 1 : at;
            return std::string(what) + " holds '" + text[bad] + "' at position " +
                   std::to_string(bad + 1) + ", not a hex digit (0-9, A-F): '" + std::string(text) +
                   "'";
        }
        out[at / 2] = static_cast<std::uint8_t>(*high * 16 + *low);
    }
    return std::nullopt;
}

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r';
    };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

SectorKey panelKey() {
    SectorKey key{MF_KEY_B, {}};
    key.bytes.fill(0x7D);
    return key;
}

Parsed<SectorKey> parseKey(std::string_view text) {
    const std::string usage = "a key is A:HEX12 or B:HEX12, such as B:7D7D7D7D7D7D";
    if (text.size() < 2 || text[1] != ':') {
        return usage + ", not '" + std::string(text) + "'";
    }
    SectorKey key{};
    switch (text[0]) {
    case 'A':
    case 'a':
        key.type = MF_KEY_A;
        break;
    case 'B':
    case 'b':
        key.type = MF_KEY_B;
        break;
    default:
        return usage + ", not '" + std::string(text) + "'";
    }
    if (auto problem = readHex(text.substr(2), key.bytes, "a key")) {
        return *problem;
    }
    return key;
}

Parsed<NewKeys> parseNewKeys(std::string_view text) {
    const std::size_t comma = text.find(',');
    const std::string usage = "new keys are A:HEX12,B:HEX12";
    if (comma == std::string_view::npos) {
        return usage + ", both of them, not '" + std::string(text) + "'";
    }
    std::optional<Key> a;
    std::optional<Key> b;
    for (const std::string_view part : {text.substr(0, comma), text.substr(comma + 1)}) {
        auto key = parseKey(part);
        if (auto* problem = std::get_if<std::string>(&key)) {
            return *problem;
        }
        const SectorKey& parsed = std::get<SectorKey>(key);
        (parsed.type == MF_KEY_A ? a : b) = parsed.bytes;
    }
    if (!a || !b) {
        return usage + ", one of each, not '" + std::string(text) + "'";
    }
    return NewKeys{*a, *b};
}

Parsed<std::vector<Key>> parseKeyList(std::string_view text) {
    std::vector<Key> keys;
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.empty() || line.front() == '#') {
            continue;
        }
        Key key{};
        if (auto problem = readHex(line, key, "a key")) {
            return "line " + std::to_string(number) + ": " + *problem;
        }
        keys.push_back(key);
    }
    if (keys.empty()) {
        return std::string("the key list holds no key (one of 12 hex digits a line)");
    }
    return keys;
}

Parsed<Block> parseBlockHex(std::string_view text) {
    Block block{};
    if (auto problem = readHex(text, block, "a block")) {
        return *problem;
    }
    return block;
}

Parsed<int> parseNumber(std::string_view text, int least, int most, std::string_view what) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    const std::string range = std::to_string(least) + " to " + std::to_string(most);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::string(what) + " is a whole number from " + range + ", not '" +
               std::string(text) + "'";
    }
    if (value < least || value > most) {
        return std::string(what) + " " + std::string(text) + " is out of range: " + range;
    }
    return value;
}

std::string hexText(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

} // namespace tagcard
