#include "convert/HexPairValue.h"

#include <gtest/gtest.h>

TEST(HexPairValue, ASingleCharacterIsTheLowDigit) {
    EXPECT_EQ(HexPairValue("A"), 10);
    EXPECT_EQ(HexPairValue("7"), 7);
    EXPECT_EQ(HexPairValue("5"), 5);
    EXPECT_EQ(HexPairValue("f"), 15);
}

TEST(HexPairValue, EitherCaseInEitherPlaceAndOnlyTheFirstTwoCharactersCount) {
    EXPECT_EQ(HexPairValue("0A"), 10);
    EXPECT_EQ(HexPairValue("a0"), 160);
    EXPECT_EQ(HexPairValue("e9"), 233);
    EXPECT_EQ(HexPairValue("9e"), 158);
    EXPECT_EQ(HexPairValue("7D"), 125);
    EXPECT_EQ(HexPairValue("00"), 0);
    EXPECT_EQ(HexPairValue("FF"), 255);
    EXPECT_EQ(HexPairValue("fF"), 255);
    EXPECT_EQ(HexPairValue("123"), 18);
    EXPECT_EQ(HexPairValue("7Dzz"), 125);
}

TEST(HexPairValue, ANonDigitInTheFirstTwoPlacesIsInvalid) {
    for (const char* text :
         {"", "G", "g", " ", "-", "0G", "G0", " 5", "5 ", "-1", "+1", ".5", "1.", "zz"}) {
        EXPECT_EQ(HexPairValue(text), std::nullopt) << '"' << text << '"';
    }
    EXPECT_EQ(HexPairValue(QString(QChar(0x0661))), std::nullopt); // an Arabic-Indic one
}

TEST(HexPairValue, LeavesTheCallersTextAlone) {
    const QString text = "A";
    EXPECT_EQ(HexPairValue(text), 10);
    EXPECT_EQ(text, "A");
}
