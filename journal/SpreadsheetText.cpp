#include "journal/SpreadsheetText.h"

namespace journal {

namespace {

constexpr std::string_view kFormulaStarts = "=+-@\t\r\n";
constexpr char kTextMark = '\'';

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

/// A sign, then digits with at most one full stop among them, as a spreadsheet reads a number.
bool isPlainNumber(std::string_view text) {
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        text.remove_prefix(1);
    }
    bool digit = false;
    bool point = false;
    for (const char c : text) {
        if (isDigit(c)) {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

} // namespace

std::string inertText(std::string_view text) {
    if (text.empty() || isPlainNumber(text) ||
        (text.front() != kTextMark &&
         kFormulaStarts.find(text.front()) == std::string_view::npos)) {
        return std::string(text);
    }
    std::string marked(1, kTextMark);
    marked += text;
    return marked;
}

std::string_view textOfInert(std::string_view field) {
    if (!field.empty() && field.front() == kTextMark) {
        field.remove_prefix(1);
    }
    return field;
}

} // namespace journal
