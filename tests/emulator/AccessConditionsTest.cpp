#include "emulator/model/AccessConditions.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace {

using kov450::DataOperation;
using kov450::KeyType;
using kov450::TrailerPart;

std::optional<kov450::SectorConditions> decode(std::array<std::uint8_t, 3> bytes) {
    return kov450::decodeAccessBits(std::span<const std::uint8_t, 3>(bytes));
}

TEST(AccessConditions, DecodesTheTransportAndTheDefaultConfigurations) {
    EXPECT_EQ(decode({0xFF, 0x07, 0x80}), (kov450::SectorConditions{0, 0, 0, 1}));
    EXPECT_EQ(decode({0x7F, 0x07, 0x88}), (kov450::SectorConditions{0, 0, 0, 3}));
}

TEST(AccessConditions, EncodingRoundTripsEveryConditionInEveryGroup) {
    for (std::uint8_t condition = 0; condition < 8; ++condition) {
        for (std::size_t group = 0; group < 4; ++group) {
            kov450::SectorConditions conditions{1, 0, 7, 3};
            conditions[group] = condition;
            const auto bytes = kov450::encodeAccessBits(conditions);
            EXPECT_EQ(decode(bytes), conditions);
        }
    }
}

TEST(AccessConditions, RefusesABitThatDisagreesWithItsInvertedCopy) {
    EXPECT_FALSE(decode({0xFF, 0x07, 0x81}).has_value());
    EXPECT_FALSE(decode({0x00, 0x00, 0x00}).has_value());
    EXPECT_FALSE(decode({0xFF, 0xFF, 0xFF}).has_value());
}

TEST(AccessConditions, DataBlockTableFollowsTheCard) {
    // 000: everything with either key.
    EXPECT_TRUE(kov450::dataAllowed(0, DataOperation::Write, KeyType::B));
    EXPECT_TRUE(kov450::dataAllowed(0, DataOperation::Increment, KeyType::A));
    // 010: read only.
    EXPECT_TRUE(kov450::dataAllowed(2, DataOperation::Read, KeyType::A));
    EXPECT_FALSE(kov450::dataAllowed(2, DataOperation::Write, KeyType::A));
    EXPECT_FALSE(kov450::dataAllowed(2, DataOperation::Write, KeyType::B));
    // 100: key B writes.
    EXPECT_FALSE(kov450::dataAllowed(4, DataOperation::Write, KeyType::A));
    EXPECT_TRUE(kov450::dataAllowed(4, DataOperation::Write, KeyType::B));
    // 110: value block, recharge with key B only.
    EXPECT_FALSE(kov450::dataAllowed(6, DataOperation::Increment, KeyType::A));
    EXPECT_TRUE(kov450::dataAllowed(6, DataOperation::Increment, KeyType::B));
    EXPECT_TRUE(kov450::dataAllowed(6, DataOperation::DecrementTransferRestore, KeyType::A));
    // 001: non-rechargeable value block.
    EXPECT_FALSE(kov450::dataAllowed(1, DataOperation::Increment, KeyType::B));
    EXPECT_TRUE(kov450::dataAllowed(1, DataOperation::DecrementTransferRestore, KeyType::A));
    // 011 and 101: key B reads; key A does not.
    EXPECT_FALSE(kov450::dataAllowed(3, DataOperation::Read, KeyType::A));
    EXPECT_TRUE(kov450::dataAllowed(5, DataOperation::Read, KeyType::B));
    EXPECT_FALSE(kov450::dataAllowed(5, DataOperation::Write, KeyType::B));
    // 111: nothing.
    EXPECT_FALSE(kov450::dataAllowed(7, DataOperation::Read, KeyType::A));
    EXPECT_FALSE(kov450::dataAllowed(7, DataOperation::Read, KeyType::B));
}

TEST(AccessConditions, TrailerTableFollowsTheCard) {
    for (std::uint8_t trailer = 0; trailer < 8; ++trailer) {
        EXPECT_FALSE(kov450::trailerAllowed(trailer, TrailerPart::KeyARead, KeyType::A));
        EXPECT_FALSE(kov450::trailerAllowed(trailer, TrailerPart::KeyARead, KeyType::B));
    }
    EXPECT_TRUE(kov450::trailerAllowed(1, TrailerPart::AccessWrite, KeyType::A));
    EXPECT_TRUE(kov450::trailerAllowed(1, TrailerPart::KeyBRead, KeyType::A));
    EXPECT_TRUE(kov450::trailerAllowed(3, TrailerPart::AccessWrite, KeyType::B));
    EXPECT_FALSE(kov450::trailerAllowed(3, TrailerPart::AccessWrite, KeyType::A));
    EXPECT_FALSE(kov450::trailerAllowed(3, TrailerPart::KeyBRead, KeyType::A));
    EXPECT_TRUE(kov450::trailerAllowed(4, TrailerPart::KeyAWrite, KeyType::B));
    EXPECT_FALSE(kov450::trailerAllowed(4, TrailerPart::AccessWrite, KeyType::B));
    EXPECT_FALSE(kov450::trailerAllowed(2, TrailerPart::KeyAWrite, KeyType::A));
    EXPECT_FALSE(kov450::trailerAllowed(7, TrailerPart::KeyBWrite, KeyType::B));
    EXPECT_TRUE(kov450::trailerAllowed(7, TrailerPart::AccessRead, KeyType::B));
}

TEST(AccessConditions, KeyBIsReadableExactlyInTheThreeKeyAOnlyConfigurations) {
    const std::array<bool, 8> readable{true, true, true, false, false, false, false, false};
    for (std::uint8_t trailer = 0; trailer < 8; ++trailer) {
        EXPECT_EQ(kov450::keyBReadable(trailer), readable[trailer]) << int{trailer};
        EXPECT_EQ(kov450::trailerAllowed(trailer, TrailerPart::KeyBRead, KeyType::A),
                  readable[trailer]);
    }
}

} // namespace
