#include "protocol/Messages.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace protocol;
using Bytes = std::vector<std::uint8_t>;

template <typename T> void expectRoundTrip(const T& value, const Bytes& wire) {
    EXPECT_EQ(encode(value), wire);
    const auto back = decode<T>(wire);
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(*back == value);
    // One byte more or less is another layout, never this one.
    Bytes longer = wire;
    longer.push_back(0);
    EXPECT_FALSE(decode<T>(longer).has_value());
}

TEST(Messages, EachLayoutIsItsBytesLittleEndianAndNothingElse) {
    expectRoundTrip(Empty{}, {});
    expectRoundTrip(Address{7}, {7});
    expectRoundTrip(LineSpeed{115200}, {0x00, 0xC2, 0x01, 0x00});
    expectRoundTrip(Buzzer{-2}, {0xFE, 0xFF});
    expectRoundTrip(Leds{1, 0}, {1, 0});
    expectRoundTrip(CardType{{0x04, 0x00, 0x08}}, {0x04, 0x00, 0x08});
    expectRoundTrip(CardUid{{0xA1, 0xB2, 0xC3, 0xD4}}, {0xA1, 0xB2, 0xC3, 0xD4});
    expectRoundTrip(StoredKey{KeyType::A, 15, {1, 2, 3, 4, 5, 6}}, {1, 15, 1, 2, 3, 4, 5, 6});
    expectRoundTrip(Authentication{KeyType::B, 4, {9, 8, 7, 6}}, {0, 4, 9, 8, 7, 6});
    expectRoundTrip(ValueRequest{ValueOperation::Decrement, 5, -1}, {2, 5, 0xFF, 0xFF, 0xFF, 0xFF});
    expectRoundTrip(CardRequest{RequestMode::All}, {1});
    expectRoundTrip(KeySlot{KeyType::B, 3}, {0, 3});
    expectRoundTrip(BlockWrite{4, 1, Bytes(16, 0x28)}, [] {
        Bytes wire{4, 1};
        wire.insert(wire.end(), 16, 0x28);
        return wire;
    }());
    EXPECT_FALSE(decode<Address>(Bytes{}).has_value());
}

TEST(Messages, CodesOutsideTheirValuesTravelAsTheyCameForTheReaderToJudge) {
    const auto keyType = static_cast<KeyType>(7);
    const auto mode = static_cast<RequestMode>(2);
    const auto operation = static_cast<ValueOperation>(0);
    expectRoundTrip(KeySlot{keyType, 3}, {7, 3});
    expectRoundTrip(CardRequest{mode}, {2});
    expectRoundTrip(ValueRequest{operation, 4, 1}, {0, 4, 1, 0, 0, 0});
    EXPECT_FALSE(isKnown(keyType));
    EXPECT_FALSE(isKnown(mode));
    EXPECT_FALSE(isKnown(operation));
    EXPECT_FALSE(isKnown(static_cast<ValueOperation>(4)));
    EXPECT_TRUE(isKnown(ValueOperation::Restore));
    EXPECT_TRUE(isKnown(KeyType::A));
}

TEST(Messages, TextsAndBlocksHaveTheirBounds) {
    EXPECT_TRUE(decode<VersionText>(Bytes(32, 'v')).has_value());
    EXPECT_FALSE(decode<VersionText>(Bytes(33, 'v')).has_value());
    EXPECT_TRUE(decode<SerialText>(Bytes{}).has_value());
    EXPECT_FALSE(decode<SerialText>(Bytes(9, 's')).has_value());
    EXPECT_FALSE(decode<BlockData>(Bytes{}).has_value());
    EXPECT_TRUE(decode<BlockData>(Bytes(64)).has_value());
    EXPECT_FALSE(decode<BlockData>(Bytes(80)).has_value());
    EXPECT_FALSE(decode<BlockData>(Bytes(17)).has_value());
    // A write's data must be exactly the blocks its count names; the count is the reader's.
    EXPECT_FALSE(decode<BlockWrite>(Bytes{4, 2, 0}).has_value());
    EXPECT_TRUE(decode<BlockWrite>(Bytes{4, 0}).has_value());
}

} // namespace
