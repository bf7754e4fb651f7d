#include "convert/NumberText.h"

#include "convert/Rounding.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace convert {

namespace {

bool isSkippedBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDigitOfBase(char c, int base) {
    if (base == 16) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    }
    if (base == 8) {
        return c >= '0' && c <= '7';
    }
    return c >= '0' && c <= '9';
}

int digitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return (c | 0x20) - 'a' + 10;
}

double radixValue(const std::string& chars, std::size_t from, int base) {
    double value = 0;
    for (std::size_t i = from; i < chars.size() && isDigitOfBase(chars[i], base); ++i) {
        value = value * base + digitValue(chars[i]);
    }
    return value;
}

} // namespace

double numericPrefixValue(QStringView text) {
    // Blanks vanish wherever they stand; anything outside ASCII ends the number.
    std::string chars;
    chars.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) {
        if (isSkippedBlank(c)) {
            continue;
        }
        chars.push_back(c.unicode() < 128 ? static_cast<char>(c.unicode()) : '\x7f');
    }

    if (chars.size() >= 2 && chars[0] == '&') {
        const char kind = static_cast<char>(chars[1] | 0x20);
        if (kind == 'h') {
            return radixValue(chars, 2, 16);
        }
        if (kind == 'o') {
            return radixValue(chars, 2, 8);
        }
        return 0;
    }

    std::string number;
    std::size_t i = 0;
    bool negative = false;
    if (i < chars.size() && (chars[i] == '+' || chars[i] == '-')) {
        negative = chars[i] == '-';
        number.push_back(chars[i++]);
        if (!negative) {
            number.clear(); // from_chars takes no plus sign
        }
    }
    bool sawDigit = false;
    bool sawPoint = false;
    for (; i < chars.size(); ++i) {
        const char c = chars[i];
        if (isDigitOfBase(c, 10)) {
            sawDigit = true;
        } else if (c == '.' && !sawPoint) {
            sawPoint = true;
        } else {
            break;
        }
        number.push_back(c);
    }
    if (!sawDigit) {
        return 0;
    }
    if (i < chars.size() &&
        (chars[i] == 'E' || chars[i] == 'e' || chars[i] == 'D' || chars[i] == 'd')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < chars.size() && (chars[j] == '+' || chars[j] == '-')) {
            exponent.push_back(chars[j++]);
        }
        const std::size_t firstDigit = j;
        while (j < chars.size() && isDigitOfBase(chars[j], 10)) {
            exponent.push_back(chars[j++]);
        }
        if (j > firstDigit) {
            number += exponent;
        }
    }

    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // Either far too large or far too small: keep the sign and the magnitude's side.
        const bool tiny = number.find("e-") != std::string::npos;
        if (tiny) {
            return negative ? -0.0 : 0.0;
        }
        return negative ? -std::numeric_limits<double>::infinity()
                        : std::numeric_limits<double>::infinity();
    }
    return value;
}

std::optional<double> wholeTextNumber(QStringView text, const QLocale& locale) {
    const QStringView trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    bool ok = false;
    const double value = locale.toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

bool isWholeTextNumber(QStringView text, const QLocale& locale) {
    return wholeTextNumber(text, locale).has_value();
}

std::optional<std::int16_t> wholeTextInteger(QStringView text, const QLocale& locale) {
    const std::optional<double> value = wholeTextNumber(text, locale);
    if (!value) {
        return std::nullopt;
    }
    return roundToInt16(*value);
}

} // namespace convert
