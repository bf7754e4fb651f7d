// The PC/SC storage-card commands' bytes and the ATR a reader builds: what the library sends and
// reads, and what the emulator parses and builds.
#include "mifare/StatusWords.h"
#include "mifare/StorageCardAtr.h"
#include "mifare/StorageCommands.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace mifare;
using Bytes = std::vector<std::uint8_t>;

TEST(StorageCommands, AreTheBytesOfEachCommand) {
    EXPECT_EQ(getUid(), (Bytes{0xFF, 0xCA, 0x00, 0x00, 0x00}));
    EXPECT_EQ(loadKey(kVolatileKey, 0, {0x7D, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D}),
              (Bytes{0xFF, 0x82, 0x00, 0x00, 0x06, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D}));
    EXPECT_EQ(authenticate(4, kKeyTypeB, 0),
              (Bytes{0xFF, 0x86, 0x00, 0x00, 0x05, 0x01, 0x00, 0x04, 0x61, 0x00}));
    EXPECT_EQ(readBlock(4), (Bytes{0xFF, 0xB0, 0x00, 0x04, 0x10}));
    std::array<std::uint8_t, 16> data{};
    data[0] = 0x28;
    const Bytes write = writeBlock(4, data);
    EXPECT_EQ(Bytes(write.begin(), write.begin() + 6), (Bytes{0xFF, 0xD6, 0x00, 0x04, 0x10, 0x28}));
    EXPECT_EQ(write.size(), 21U);
}

TEST(StorageCommands, AStatusWordEndsTheAnswer) {
    EXPECT_EQ(statusWordOf(Bytes{0x01, 0x02, 0x69, 0x82}), 0x6982);
    EXPECT_EQ(statusWordOf(Bytes{0x90}), std::nullopt);
    EXPECT_EQ(bytesOf(StatusWord::CommandNotAllowed), (std::array<std::uint8_t, 2>{0x69, 0x86}));
}

TEST(StorageCardAtrs, NameTheCardAndCheckOut) {
    const Bytes atr = storageCardAtr(CardKind::Classic1K);
    EXPECT_EQ(atr, (Bytes{0x3B, 0x8F, 0x80, 0x01, 0x80, 0x4F, 0x0C, 0xA0, 0x00, 0x00,
                          0x03, 0x06, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x6A}));
    const Bytes big = storageCardAtr(CardKind::Classic4K);
    EXPECT_EQ(big[14], 0x02);
    std::uint8_t check = 0;
    for (std::size_t at = 1; at < big.size(); ++at) {
        check ^= big[at];
    }
    EXPECT_EQ(check, 0);
    // What one side builds, the other reads back.
    EXPECT_EQ(storageCardName(atr), kClassic1KName);
    EXPECT_EQ(storageCardName(big), kClassic4KName);
    EXPECT_TRUE(contactlessAtr(atr));
}

TEST(StorageCardAtrs, HistoricalBytesFollowEveryInterfaceByte) {
    // T0 = 0xD2: TA1, TB1 and TD1 present, two historical bytes; TD1 = 0x00 ends them.
    const Bytes atr{0x3B, 0xD2, 0x11, 0x22, 0x00, 0xAA, 0xBB};
    const auto bytes = historicalBytes(atr);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(Bytes(bytes->begin(), bytes->end()), (Bytes{0xAA, 0xBB}));
    EXPECT_FALSE(contactlessAtr(atr));
    EXPECT_EQ(storageCardName(atr), std::nullopt);
}

} // namespace
