#include "panel/BlockText.h"

#include <gtest/gtest.h>

using namespace panel;

TEST(BlockText, HexModeTakesOneHexDigitACharacter) {
    EXPECT_EQ(hexModeBytes("0129aFf").bytes, (std::vector<std::uint8_t>{0, 1, 2, 9, 10, 15, 15}));
    EXPECT_TRUE(hexModeBytes("").ok());
    EXPECT_EQ(hexModeBytes("12 3").firstBad, 2);
    EXPECT_EQ(hexModeBytes("g").firstBad, 0);
    EXPECT_EQ(hexModeBytes("1-").firstBad, 1);
}

TEST(BlockText, StringModeTakesTheSingleByteCodeOfEachCharacter) {
    const convert::AnsiCodePage western(1252);
    EXPECT_EQ(stringModeBytes("AB", western).bytes, (std::vector<std::uint8_t>{65, 66}));
    EXPECT_EQ(stringModeBytes(QString(QChar(0x20AC)), western).bytes,
              (std::vector<std::uint8_t>{0x80}));
    EXPECT_EQ(stringModeBytes(QString("a") + QChar(0x0627), western).firstBad, 1);
    EXPECT_TRUE(stringModeBytes(QString(QChar(0x0627)), convert::AnsiCodePage(1256)).ok());
}

TEST(BlockText, ReadsShowDecimalDigitsAndCountsSetTheDataLimit) {
    EXPECT_EQ(hexModeRendering(0), "0");
    EXPECT_EQ(hexModeRendering(255), "255");
    EXPECT_EQ(dataLimitFor("1"), 16);
    EXPECT_EQ(dataLimitFor("2"), 32);
    EXPECT_EQ(dataLimitFor("3"), 48);
    EXPECT_EQ(dataLimitFor("4"), 0);
    EXPECT_EQ(dataLimitFor("5"), std::nullopt);
    EXPECT_EQ(dataLimitFor(" 1"), std::nullopt); // compared exactly
    EXPECT_EQ(dataLimitFor("01"), std::nullopt);
}
