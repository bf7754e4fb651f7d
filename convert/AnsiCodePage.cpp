#include "convert/AnsiCodePage.h"

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace convert {

int ansiCodePageFor(const QLocale& locale) {
    switch (locale.language()) {
    case QLocale::Persian:
    case QLocale::Arabic:
    case QLocale::Urdu:
        return 1256;
    case QLocale::Greek:
        return 1253;
    case QLocale::Turkish:
    case QLocale::Azerbaijani:
        return locale.script() == QLocale::CyrillicScript ? 1251 : 1254;
    case QLocale::Hebrew:
        return 1255;
    case QLocale::Polish:
    case QLocale::Czech:
    case QLocale::Slovak:
    case QLocale::Hungarian:
    case QLocale::Slovenian:
    case QLocale::Croatian:
    case QLocale::Romanian:
    case QLocale::Albanian:
    case QLocale::Bosnian:
    case QLocale::Serbian:
        return locale.script() == QLocale::CyrillicScript ? 1251 : 1250;
    case QLocale::Estonian:
    case QLocale::Latvian:
    case QLocale::Lithuanian:
        return 1257;
    case QLocale::Vietnamese:
        return 1258;
    default:
        break;
    }
    return locale.script() == QLocale::CyrillicScript ? 1251 : 1252;
}

namespace {

#ifdef _WIN32
char16_t decodeByte(int codePage, std::uint8_t byte) {
    const char in = static_cast<char>(byte);
    wchar_t out = 0;
    if (MultiByteToWideChar(static_cast<UINT>(codePage), MB_ERR_INVALID_CHARS, &in, 1, &out, 1) !=
        1) {
        return byte;
    }
    return static_cast<char16_t>(out);
}
#else
/// One byte through iconv; a byte the code page leaves undefined maps to the control character
/// of the same value, as Windows maps it.
char16_t decodeByte(iconv_t converter, std::uint8_t byte) {
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char in = static_cast<char>(byte);
    char32_t out = 0;
    char* inPtr = &in;
    std::size_t inLeft = 1;
    char* outPtr = reinterpret_cast<char*>(&out);
    std::size_t outLeft = sizeof out;
    const std::size_t done = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
    // Code pages with combining marks (1258) hold a base letter back until flushed.
    iconv(converter, nullptr, nullptr, &outPtr, &outLeft);
    if (done == static_cast<std::size_t>(-1) || outLeft != 0 || out > 0xFFFF) {
        return byte;
    }
    return static_cast<char16_t>(out);
}
#endif

} // namespace

AnsiCodePage::AnsiCodePage(int number) : number_(number) {
#ifdef _WIN32
    for (int b = 0; b < 256; ++b) {
        toUnicode_[static_cast<std::size_t>(b)] = decodeByte(number, static_cast<std::uint8_t>(b));
    }
#else
    const std::string name = "CP" + std::to_string(number);
    iconv_t converter = iconv_open("UTF-32LE", name.c_str());
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        toUnicode_[byte] = converter == reinterpret_cast<iconv_t>(-1)
                               ? (byte < 128 ? byte : char16_t{0xFFFD})
                               : decodeByte(converter, byte);
    }
    if (converter != reinterpret_cast<iconv_t>(-1)) {
        iconv_close(converter);
    }
#endif
    for (int b = 255; b >= 0; --b) {
        // Lower bytes win where two bytes share a character.
        fromUnicode_[toUnicode_[static_cast<std::size_t>(b)]] = static_cast<std::uint8_t>(b);
    }
    fromUnicode_.erase(0xFFFD);
}

const AnsiCodePage& AnsiCodePage::system() {
#ifdef _WIN32
    static const AnsiCodePage page(static_cast<int>(GetACP()));
#else
    static const AnsiCodePage page(ansiCodePageFor(QLocale::system()));
#endif
    return page;
}

QString AnsiCodePage::charOf(std::uint8_t byte) const {
    if (byte == 0) {
        return {};
    }
    return QString(QChar(toUnicode_[byte]));
}

std::optional<std::uint8_t> AnsiCodePage::byteOf(QChar character) const {
    const auto found = fromUnicode_.find(character.unicode());
    if (found == fromUnicode_.end()) {
        return std::nullopt;
    }
    return found->second;
}

qsizetype AnsiCodePage::firstUnencodable(const QString& text) const {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!byteOf(text[i])) {
            return i;
        }
    }
    return -1;
}

std::optional<QByteArray> AnsiCodePage::encode(const QString& text) const {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        const std::optional<std::uint8_t> byte = byteOf(c);
        if (!byte) {
            return std::nullopt;
        }
        bytes.append(static_cast<char>(*byte));
    }
    return bytes;
}

} // namespace convert
