#include "mifare/Sectors.h"

#include <gtest/gtest.h>

namespace {

using namespace mifare;

TEST(Sectors, OneKHasSixteenSectorsOfFourBlocks) {
    EXPECT_EQ(blockCountOf(CardKind::Classic1K), 64U);
    EXPECT_EQ(sectorCountOf(CardKind::Classic1K), 16U);
    EXPECT_EQ(sectorOf(4), 1U);
    EXPECT_EQ(sectorOf(7), 1U);
    EXPECT_EQ(trailerOf(1), 7U);
    EXPECT_TRUE(isTrailer(7));
    EXPECT_TRUE(isTrailer(63));
    EXPECT_FALSE(isTrailer(4));
    EXPECT_EQ(accessGroupOf(6), 2U);
    EXPECT_EQ(accessGroupOf(7), 3U);
}

TEST(Sectors, FourKEndsWithEightSectorsOfSixteenBlocks) {
    EXPECT_EQ(blockCountOf(CardKind::Classic4K), 256U);
    EXPECT_EQ(sectorCountOf(CardKind::Classic4K), 40U);
    EXPECT_EQ(sectorOf(127), 31U);
    EXPECT_EQ(sectorOf(128), 32U);
    EXPECT_EQ(sectorOf(255), 39U);
    EXPECT_EQ(firstBlockOf(33), 144U);
    EXPECT_EQ(trailerOf(32), 143U);
    EXPECT_TRUE(isTrailer(143));
    EXPECT_FALSE(isTrailer(128 + 3));
    EXPECT_EQ(accessGroupOf(128), 0U);
    EXPECT_EQ(accessGroupOf(132), 0U);
    EXPECT_EQ(accessGroupOf(133), 1U);
    EXPECT_EQ(accessGroupOf(142), 2U);
    EXPECT_EQ(accessGroupOf(143), 3U);
}

} // namespace
