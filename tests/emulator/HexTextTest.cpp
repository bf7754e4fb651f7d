// The emulator's one hex codec: what the console, the dumps, the state file and the window use.
#include "emulator/model/HexText.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using namespace kov450;

TEST(HexText, WritesUpperCasePairs) {
    const std::array<std::uint8_t, 4> bytes{0x0A, 0xB2, 0xC3, 0xFF};
    EXPECT_EQ(hexText(bytes), "0AB2C3FF");
    EXPECT_EQ(hexText(bytes, " "), "0A B2 C3 FF");
    EXPECT_EQ(hexText(std::array<std::uint8_t, 1>{0x7F}, " "), "7F") << "nothing around one pair";
    EXPECT_EQ(hexText(std::span<const std::uint8_t>{}), "");
}

TEST(HexText, ReadsPairsOfEitherCase) {
    EXPECT_EQ(bytesOfHexText("0ab2C3fF"), (std::vector<std::uint8_t>{0x0A, 0xB2, 0xC3, 0xFF}));
    EXPECT_EQ(bytesOfHexText(""), std::vector<std::uint8_t>{});
    EXPECT_EQ(bytesOfHexText("ABC"), std::nullopt) << "a digit without its pair";
    EXPECT_EQ(bytesOfHexText("0G"), std::nullopt);
    EXPECT_EQ(bytesOfHexText("0A B2"), std::nullopt) << "blanks are no digits";
}

} // namespace
