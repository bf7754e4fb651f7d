#include "protocol/Crc16.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace {

TEST(Crc16, MatchesTheCcittFalseCheckValue) {
    const std::array<std::uint8_t, 9> digits{'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(protocol::crc16(digits), 0x29B1);
}

TEST(Crc16, OfNothingIsTheInitialValue) {
    EXPECT_EQ(protocol::crc16({}), 0xFFFF);
}

} // namespace
