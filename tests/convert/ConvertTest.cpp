#include "convert/HexText.h"
#include "convert/NumberText.h"
#include "convert/Rounding.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

using namespace convert;

TEST(NumericPrefixValue, ReadsTheNumberAtTheStartAndStopsAtTheFirstStranger) {
    EXPECT_EQ(numericPrefixValue(u"30"), 30);
    EXPECT_EQ(numericPrefixValue(u"12abc"), 12);
    EXPECT_EQ(numericPrefixValue(u"12x"), 12);
    EXPECT_EQ(numericPrefixValue(u"1.2.3"), 1.2);
    EXPECT_EQ(numericPrefixValue(u"12,5"), 12); // the full stop is the only decimal point
    EXPECT_EQ(numericPrefixValue(u"-3"), -3);
    EXPECT_EQ(numericPrefixValue(u"+7"), 7);
    EXPECT_EQ(numericPrefixValue(u".5"), 0.5);
    EXPECT_EQ(numericPrefixValue(u"5."), 5);
    EXPECT_EQ(numericPrefixValue(u"254.5"), 254.5);
}

TEST(NumericPrefixValue, GivesZeroWhenNoNumberStartsTheText) {
    EXPECT_EQ(numericPrefixValue(u""), 0);
    EXPECT_EQ(numericPrefixValue(u"abc"), 0);
    EXPECT_EQ(numericPrefixValue(u"-"), 0);
    EXPECT_EQ(numericPrefixValue(u"."), 0);
    EXPECT_EQ(numericPrefixValue(u"x12"), 0);
    EXPECT_EQ(numericPrefixValue(u"\u06F1\u06F2"), 0); // Persian digits are not read
}

TEST(NumericPrefixValue, SkipsBlanksTabsAndLineFeedsWhereverTheyStand) {
    EXPECT_EQ(numericPrefixValue(u"  1 2 "), 12);
    EXPECT_EQ(numericPrefixValue(u"\t4\n5"), 45);
    EXPECT_EQ(numericPrefixValue(u"- 3"), -3);
    EXPECT_EQ(numericPrefixValue(u"\r5"), 0); // a carriage return is no blank
}

TEST(NumericPrefixValue, ReadsExponentsHexAndOctal) {
    EXPECT_EQ(numericPrefixValue(u"1e3"), 1000);
    EXPECT_EQ(numericPrefixValue(u"1D2"), 100);
    EXPECT_EQ(numericPrefixValue(u"25E-1"), 2.5);
    EXPECT_EQ(numericPrefixValue(u"1E"), 1); // no exponent digits: the exponent is not read
    EXPECT_EQ(numericPrefixValue(u"1e+"), 1);
    EXPECT_EQ(numericPrefixValue(u"&H1F"), 31);
    EXPECT_EQ(numericPrefixValue(u"&hff zz"), 255);
    EXPECT_EQ(numericPrefixValue(u"&O17"), 15);
    EXPECT_EQ(numericPrefixValue(u"&o8"), 0);
    EXPECT_EQ(numericPrefixValue(u"&X1"), 0);
    EXPECT_TRUE(std::isinf(numericPrefixValue(u"1e999")));
    EXPECT_LT(numericPrefixValue(u"-1e999"), 0);
}

TEST(WholeTextNumber, AcceptsOnlyAWholeNumberInTheLocalesFormat) {
    const QLocale c = QLocale::c();
    EXPECT_EQ(wholeTextNumber(u" 12 ", c), 12);
    EXPECT_EQ(wholeTextNumber(u"-1", c), -1);
    EXPECT_EQ(wholeTextNumber(u"2.5", c), 2.5);
    EXPECT_FALSE(wholeTextNumber(u"", c));
    EXPECT_FALSE(wholeTextNumber(u"   ", c));
    EXPECT_FALSE(wholeTextNumber(u"12x", c));
    EXPECT_FALSE(wholeTextNumber(u"x", c));
    EXPECT_FALSE(wholeTextNumber(u"inf", c));
    EXPECT_FALSE(wholeTextNumber(u"nan", c));
    EXPECT_TRUE(isWholeTextNumber(u"59", c));
    EXPECT_FALSE(isWholeTextNumber(u"", c));

    // A German user writes the decimal comma.
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(wholeTextNumber(u"2,5", german), 2.5);
    EXPECT_FALSE(wholeTextNumber(u"2,5", c));
}

TEST(WholeTextInteger, RoundsHalfToEvenAndRefusesWhatDoesNotFitSixteenBits) {
    const QLocale c = QLocale::c();
    EXPECT_EQ(wholeTextInteger(u"4", c), 4);
    EXPECT_EQ(wholeTextInteger(u"4.5", c), 4);
    EXPECT_EQ(wholeTextInteger(u"5.5", c), 6);
    EXPECT_EQ(wholeTextInteger(u"-3", c), -3);
    EXPECT_EQ(wholeTextInteger(u"32767.4", c), 32767);
    EXPECT_EQ(wholeTextInteger(u"-32768", c), -32768);
    EXPECT_FALSE(wholeTextInteger(u"32767.6", c));
    EXPECT_FALSE(wholeTextInteger(u"-32769", c));
    EXPECT_FALSE(wholeTextInteger(u"abc", c));
    EXPECT_FALSE(wholeTextInteger(u"", c));
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(-3.5), -4);
    EXPECT_EQ(roundHalfEven(7.5), 8);
    EXPECT_EQ(roundHalfEven(2.4999), 2);
    EXPECT_EQ(roundHalfEven(2.5001), 3);
    EXPECT_EQ(roundHalfEven(12.5), 12);
    EXPECT_EQ(roundHalfEven(13.5), 14);
}

TEST(Rounding, ReportsOverflowOfSixteenBitsAndOfAByte) {
    EXPECT_EQ(roundToInt16(32767.5), std::nullopt); // rounds to 32768
    EXPECT_EQ(roundToInt16(-32768.5), -32768);      // rounds to the even -32768
    EXPECT_EQ(roundToInt16(-32769), std::nullopt);
    EXPECT_EQ(roundToByte(7.5), 8);
    EXPECT_EQ(roundToByte(8.5), 8);
    EXPECT_EQ(roundToByte(255.4), 255);
    EXPECT_EQ(roundToByte(255.5), std::nullopt);
    EXPECT_EQ(roundToByte(-0.5), 0);
    EXPECT_EQ(roundToByte(-0.6), std::nullopt);
    EXPECT_EQ(roundToByte(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
    EXPECT_EQ(roundToInt16(std::numeric_limits<double>::infinity()), std::nullopt);
}

TEST(HexText, UpperCaseDigitsWithoutLeadingZeroJoinedWithNothing) {
    EXPECT_EQ(hexOfByte(0), "0");
    EXPECT_EQ(hexOfByte(10), "A");
    EXPECT_EQ(hexOfByte(0x10), "10");
    EXPECT_EQ(hexOfByte(171), "AB");
    EXPECT_EQ(hexOfByte(255), "FF");
    const std::array<std::uint8_t, 4> serial{0x0A, 0x1B, 0x00, 0xC3};
    EXPECT_EQ(hexOfBytes(serial), "A1B0C3");
    const std::array<std::uint8_t, 4> other{0x0A, 0x00, 0xC3, 0x10};
    EXPECT_EQ(hexOfBytes(other), "A0C310");
    EXPECT_EQ(hexOfBytes({}), "");
}
