#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <unordered_map>

namespace convert {

/// The Windows ANSI code page that a user of this locale has: 1256 for Persian, Arabic and
/// Urdu, 1251 for Cyrillic, 1253 Greek, 1254 Turkish, 1255 Hebrew, 1250 Central European,
/// 1257 Baltic, 1258 Vietnamese, otherwise 1252.
int ansiCodePageFor(const QLocale& locale);

/// A single-byte code page: each byte is one character and each character it holds one byte.
class AnsiCodePage {
public:
    /// Builds the table of the numbered Windows code page (1250 to 1258).
    explicit AnsiCodePage(int number);

    /// The code page of this system: the system's own on Windows, else that of the user's locale.
    static const AnsiCodePage& system();

    int number() const { return number_; }

    /// The character of a byte; the zero byte gives the empty text, as a text box holds no NUL.
    QString charOf(std::uint8_t byte) const;

    /// The byte of a character, or nothing when the code page has no single byte for it.
    [[nodiscard]] std::optional<std::uint8_t> byteOf(QChar character) const;

    /// The text as bytes (no terminator), or nothing when a character has no byte.
    [[nodiscard]] std::optional<QByteArray> encode(const QString& text) const;

    /// The position of the first character of the text that has no byte, or -1.
    qsizetype firstUnencodable(const QString& text) const;

private:
    int number_;
    std::array<char16_t, 256> toUnicode_{};
    std::unordered_map<char16_t, std::uint8_t> fromUnicode_;
};

} // namespace convert
