#include "convert/AnsiCodePage.h"

#include <gtest/gtest.h>

using convert::AnsiCodePage;
using convert::ansiCodePageFor;

TEST(AnsiCodePageFor, FollowsTheLanguageAndScriptOfTheLocale) {
    EXPECT_EQ(ansiCodePageFor(QLocale(QLocale::Persian, QLocale::Iran)), 1256);
    EXPECT_EQ(ansiCodePageFor(QLocale(QLocale::Arabic, QLocale::Egypt)), 1256);
    EXPECT_EQ(ansiCodePageFor(QLocale(QLocale::Urdu, QLocale::Pakistan)), 1256);
    EXPECT_EQ(ansiCodePageFor(QLocale(QLocale::Russian, QLocale::Russia)), 1251);
    EXPECT_EQ(ansiCodePageFor(QLocale(QLocale::Ukrainian, QLocale::Ukraine)), 1251);
    EXPECT_EQ(ansiCodePageFor(QLocale(QLocale::Bulgarian, QLocale::Bulgaria)), 1251);
    EXPECT_EQ(ansiCodePageFor(QLocale(QLocale::Serbian, QLocale::CyrillicScript, QLocale::Serbia)),
              1251);
    EXPECT_EQ(ansiCodePageFor(QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia)),
              1250);
    EXPECT_EQ(ansiCodePageFor(QLocale(QLocale::Greek, QLocale::Greece)), 1253);
    EXPECT_EQ(ansiCodePageFor(QLocale(QLocale::Turkish, QLocale::Turkey)), 1254);
    EXPECT_EQ(ansiCodePageFor(QLocale(QLocale::Hebrew, QLocale::Israel)), 1255);
    EXPECT_EQ(ansiCodePageFor(QLocale(QLocale::Polish, QLocale::Poland)), 1250);
    EXPECT_EQ(ansiCodePageFor(QLocale(QLocale::Czech, QLocale::CzechRepublic)), 1250);
    EXPECT_EQ(ansiCodePageFor(QLocale(QLocale::Hungarian, QLocale::Hungary)), 1250);
    EXPECT_EQ(ansiCodePageFor(QLocale(QLocale::Lithuanian, QLocale::Lithuania)), 1257);
    EXPECT_EQ(ansiCodePageFor(QLocale(QLocale::Estonian, QLocale::Estonia)), 1257);
    EXPECT_EQ(ansiCodePageFor(QLocale(QLocale::Vietnamese, QLocale::Vietnam)), 1258);
    EXPECT_EQ(ansiCodePageFor(QLocale(QLocale::English, QLocale::UnitedStates)), 1252);
    EXPECT_EQ(ansiCodePageFor(QLocale(QLocale::German, QLocale::Germany)), 1252);
    EXPECT_EQ(ansiCodePageFor(QLocale::c()), 1252);
}

TEST(AnsiCodePage, MapsBytesToTheCodePagesCharactersAndBack) {
    const AnsiCodePage arabic(1256);
    EXPECT_EQ(arabic.charOf(0x41), "A");
    EXPECT_EQ(arabic.charOf(0xC7), QString(QChar(0x0627))); // alef
    EXPECT_EQ(arabic.byteOf(QChar(0x0627)), 0xC7);
    EXPECT_EQ(arabic.byteOf(QChar(0x06A9)), 0x98); // Persian keheh, as in the purchase message

    const AnsiCodePage western(1252);
    EXPECT_EQ(western.charOf(0x80), QString(QChar(0x20AC))); // euro sign
    EXPECT_EQ(western.charOf(0xE9), QString(QChar(0x00E9)));
    EXPECT_EQ(western.byteOf(QChar(0x20AC)), 0x80);
    EXPECT_EQ(western.byteOf(QChar(0x0627)), std::nullopt);

    const AnsiCodePage cyrillic(1251);
    EXPECT_EQ(cyrillic.charOf(0xC0), QString(QChar(0x0410)));
}

TEST(AnsiCodePage, TheZeroByteAddsNothing) {
    EXPECT_TRUE(AnsiCodePage(1252).charOf(0).isEmpty());
    EXPECT_TRUE(AnsiCodePage(1256).charOf(0).isEmpty());
}

TEST(AnsiCodePage, EveryByteComesBackAsItself) {
    for (const int number : {1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258}) {
        const AnsiCodePage page(number);
        for (int b = 1; b < 256; ++b) {
            const auto byte = static_cast<std::uint8_t>(b);
            const QString character = page.charOf(byte);
            ASSERT_EQ(character.size(), 1) << number << " byte " << b;
            EXPECT_EQ(page.byteOf(character[0]), byte) << number << " byte " << b;
        }
    }
}

TEST(AnsiCodePage, EncodesWholeTextsOrNamesTheFirstStranger) {
    const AnsiCodePage western(1252);
    EXPECT_EQ(western.encode("AB"), QByteArray("AB"));
    EXPECT_EQ(western.encode(""), QByteArray());
    const QString mixed = QString("ab") + QChar(0x0627) + "c";
    EXPECT_EQ(western.encode(mixed), std::nullopt);
    EXPECT_EQ(western.firstUnencodable(mixed), 2);
    EXPECT_EQ(western.firstUnencodable("abc"), -1);
    EXPECT_EQ(AnsiCodePage(1256).encode(mixed)->size(), 4);
}
