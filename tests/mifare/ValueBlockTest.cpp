#include "mifare/ValueBlock.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>

namespace {

using namespace mifare;
using protocol::ValueOperation;

TEST(ValueBlocks, RoundTripAndRejectBrokenCopies) {
    const Block bytes = encodeValueBlock({-5, 0x04});
    EXPECT_EQ(bytes, (Block{0xFB, 0xFF, 0xFF, 0xFF, 0x04, 0x00, 0x00, 0x00, 0xFB, 0xFF, 0xFF, 0xFF,
                            0x04, 0xFB, 0x04, 0xFB}));
    EXPECT_EQ(decodeValueBlock(bytes), (ValueBlock{-5, 0x04}));
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        Block broken = bytes;
        broken[at] ^= 0x01;
        EXPECT_FALSE(decodeValueBlock(broken)) << "byte " << at;
    }
    // A credit block as the panel writes it is no value block.
    Block credit{};
    credit[0] = 50;
    EXPECT_FALSE(decodeValueBlock(credit));
}

TEST(ValueBlocks, OperationsStayInsideThirtyTwoBits) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(applyValueOperation(ValueOperation::Increment, 10, 5), 15);
    EXPECT_EQ(applyValueOperation(ValueOperation::Decrement, 10, 15), -5);
    EXPECT_EQ(applyValueOperation(ValueOperation::Restore, 10, 99), 10);
    EXPECT_EQ(applyValueOperation(static_cast<ValueOperation>(4), 10, 1), std::nullopt);
    EXPECT_EQ(applyValueOperation(ValueOperation::Increment, kMax, 1), std::nullopt);
    EXPECT_EQ(applyValueOperation(ValueOperation::Decrement, kMin, 1), std::nullopt);
    EXPECT_EQ(applyValueOperation(ValueOperation::Decrement, 0, kMin), std::nullopt);
}

} // namespace
