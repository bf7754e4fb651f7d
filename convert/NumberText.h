#pragma once

#include <QLocale>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace convert {

/// The number at the start of a text, the way the panel reads a loose number from a box:
/// blanks, tabs and line feeds are skipped wherever they stand; an optional sign, digits with
/// at most one full stop (whatever the regional settings) and an optional exponent (E or D);
/// "&H" starts hexadecimal digits and "&O" octal ones. Reading stops at the first character
/// that cannot continue the number; no number at the start gives 0.
double numericPrefixValue(QStringView text);

/// The whole text read as a number in the locale's format, surrounding blanks allowed; nothing
/// when it is empty or is not entirely a finite number.
[[nodiscard]] std::optional<double> wholeTextNumber(QStringView text,
                                                    const QLocale& locale = QLocale::system());

/// True when the whole text reads as a number (see wholeTextNumber).
bool isWholeTextNumber(QStringView text, const QLocale& locale = QLocale::system());

/// The whole text read as a number, rounded half to even into a 16-bit signed integer; nothing
/// when it is not a number or does not fit.
[[nodiscard]] std::optional<std::int16_t>
wholeTextInteger(QStringView text, const QLocale& locale = QLocale::system());

} // namespace convert
