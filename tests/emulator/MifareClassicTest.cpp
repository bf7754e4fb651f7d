#include "emulator/model/MifareClassic.h"
#include "mifare/ValueBlock.h"

#include <MF_API.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace kov450;

constexpr Uid kUid{0x11, 0x22, 0x33, 0x44};
constexpr Key kWrongKey{1, 2, 3, 4, 5, 6};

// A powered, selected card, as the reader leaves it after request, anticollision and select.
MifareClassic selectedCard(CardKind kind = CardKind::Classic1K) {
    MifareClassic card = MifareClassic::makeDefault(kind, kUid, 50);
    EXPECT_TRUE(card.wake(false));
    EXPECT_TRUE(card.select());
    return card;
}

// A card that refused a command (NAK) dropped out of its session: request, select and
// authenticate again, as a reader must.
void reopen(MifareClassic& card, KeyType key, std::size_t block) {
    EXPECT_NE(card.state(), CardState::Active);
    ASSERT_TRUE(card.wake(false));
    ASSERT_TRUE(card.select());
    ASSERT_EQ(card.authenticate(key, block, kDefaultKey), MF_OK);
}

std::vector<std::uint8_t> readOrEmpty(MifareClassic& card, std::size_t block,
                                      std::size_t count = 1) {
    std::vector<std::uint8_t> data;
    EXPECT_EQ(card.read(block, count, data), MF_OK);
    return data;
}

// Writes a trailer (needs the sector authenticated with a key that may write it).
std::int32_t writeTrailer(MifareClassic& card, std::size_t block, const Key& keyA,
                          std::array<std::uint8_t, 3> access, const Key& keyB) {
    std::vector<std::uint8_t> trailer(keyA.begin(), keyA.end());
    trailer.insert(trailer.end(), access.begin(), access.end());
    trailer.push_back(0x69);
    trailer.insert(trailer.end(), keyB.begin(), keyB.end());
    return card.write(block, 1, trailer);
}

TEST(MifareClassic, DefaultCardCarriesItsIdentityAndCredit) {
    const MifareClassic card = MifareClassic::makeDefault(CardKind::Classic1K, kUid, 50);
    EXPECT_EQ(card.uid(), kUid);
    EXPECT_EQ(card.atqa(), (std::array<std::uint8_t, 2>{0x04, 0x00}));
    EXPECT_EQ(card.sak(), 0x08);
    EXPECT_EQ(card.block(0)[4], 0x11 ^ 0x22 ^ 0x33 ^ 0x44);
    EXPECT_EQ(card.block(4)[0], 50);
    EXPECT_EQ(card.state(), CardState::Idle);
    const MifareClassic big = MifareClassic::makeDefault(CardKind::Classic4K, kUid, 0);
    EXPECT_EQ(big.sak(), 0x18);
    EXPECT_EQ(big.blockCount(), 256U);
}

TEST(MifareClassic, DumpRoundTripsAndRejectsOtherSizes) {
    const MifareClassic card = MifareClassic::makeDefault(CardKind::Classic1K, kUid, 9);
    const auto bytes = card.dump();
    ASSERT_EQ(bytes.size(), 1024U);
    const auto back = MifareClassic::fromDump(bytes);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->dump(), bytes);
    EXPECT_FALSE(MifareClassic::fromDump(std::vector<std::uint8_t>(1000, 0)).has_value());
    EXPECT_EQ(MifareClassic::fromDump(std::vector<std::uint8_t>(4096, 0))->kind(),
              CardKind::Classic4K);
}

TEST(MifareClassic, StatesFollowRequestWakeUpSelectAndHalt) {
    MifareClassic card = MifareClassic::makeDefault(CardKind::Classic1K, kUid, 0);
    EXPECT_FALSE(card.select()); // Idle: not requested yet.
    EXPECT_TRUE(card.wake(false));
    EXPECT_EQ(card.state(), CardState::Ready);
    EXPECT_TRUE(card.select());
    EXPECT_EQ(card.state(), CardState::Active);
    EXPECT_TRUE(card.halt());
    EXPECT_EQ(card.state(), CardState::Halt);
    EXPECT_FALSE(card.wake(false)); // REQA leaves a halted card asleep.
    EXPECT_TRUE(card.wake(true));   // WUPA wakes it.
    EXPECT_EQ(card.state(), CardState::Ready);
    card.powerOff();
    EXPECT_EQ(card.state(), CardState::Idle);
}

TEST(MifareClassic, AuthenticationNeedsTheRightKeyAndIsLostOnHaltAndWake) {
    MifareClassic card = selectedCard();
    EXPECT_EQ(card.authenticate(KeyType::B, 4, kWrongKey), MF_ERR_AUTH_FAILED);
    EXPECT_EQ(card.state(), CardState::Idle); // A failed authentication drops the card.
    card = selectedCard();
    EXPECT_EQ(card.authenticate(KeyType::B, 64, kDefaultKey), MF_ERR_BAD_BLOCK);
    EXPECT_EQ(card.authenticate(KeyType::B, 4, kDefaultKey), MF_OK);
    EXPECT_EQ(readOrEmpty(card, 4)[0], 50);
    EXPECT_TRUE(card.halt());
    std::vector<std::uint8_t> data;
    EXPECT_EQ(card.read(4, 1, data), MF_ERR_NOT_AUTHENTICATED);
    EXPECT_TRUE(card.wake(true));
    EXPECT_TRUE(card.select());
    EXPECT_EQ(card.read(4, 1, data), MF_ERR_NOT_AUTHENTICATED);
    EXPECT_TRUE(data.empty());
}

TEST(MifareClassic, ReadsAndWritesStayInsideTheAuthenticatedSector) {
    MifareClassic card = selectedCard();
    ASSERT_EQ(card.authenticate(KeyType::A, 5, kDefaultKey), MF_OK);
    std::vector<std::uint8_t> data;
    EXPECT_EQ(card.read(0, 1, data), MF_ERR_NOT_AUTHENTICATED);
    EXPECT_EQ(card.read(6, 3, data), MF_ERR_BAD_BLOCK); // 6, 7 and then 8 in sector 2.
    EXPECT_EQ(card.read(4, 0, data), MF_ERR_BAD_BLOCK);
    EXPECT_EQ(card.read(4, 5, data), MF_ERR_BAD_BLOCK);
    EXPECT_EQ(card.read(62, 4, data), MF_ERR_BAD_BLOCK);
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(readOrEmpty(card, 4, 4).size(), 64U);
    std::vector<std::uint8_t> two(32, 0xAB);
    EXPECT_EQ(card.write(5, 2, two), MF_OK);
    EXPECT_EQ(card.block(5)[0], 0xAB);
    EXPECT_EQ(card.block(6)[15], 0xAB);
    EXPECT_EQ(card.write(6, 3, std::vector<std::uint8_t>(48, 0)), MF_ERR_BAD_BLOCK);
    EXPECT_EQ(card.block(6)[0], 0xAB);
}

TEST(MifareClassic, ManufacturerBlockNeverChanges) {
    MifareClassic card = selectedCard();
    ASSERT_EQ(card.authenticate(KeyType::A, 0, kDefaultKey), MF_OK);
    const Block before = card.block(0);
    EXPECT_EQ(card.write(0, 1, std::vector<std::uint8_t>(16, 0)), MF_ERR_ACCESS_DENIED);
    reopen(card, KeyType::A, 0);
    EXPECT_EQ(card.write(0, 2, std::vector<std::uint8_t>(32, 0)), MF_ERR_ACCESS_DENIED);
    reopen(card, KeyType::A, 0);
    EXPECT_EQ(card.block(0), before);
    EXPECT_EQ(card.block(1)[0], 0); // Nothing of the refused two-block write landed.
    EXPECT_EQ(readOrEmpty(card, 0)[0], 0x11);
}

TEST(MifareClassic, TrailerReadsBackKeyAAsZerosAndKeyBOnlyWhenReadable) {
    MifareClassic card = selectedCard();
    ASSERT_EQ(card.authenticate(KeyType::A, 7, kDefaultKey), MF_OK);
    auto trailer = readOrEmpty(card, 7);
    EXPECT_EQ(std::vector<std::uint8_t>(trailer.begin(), trailer.begin() + 6),
              std::vector<std::uint8_t>(6, 0));
    EXPECT_EQ(trailer[6], 0x7F);
    EXPECT_EQ(trailer[9], 0x69);
    EXPECT_EQ(std::vector<std::uint8_t>(trailer.begin() + 10, trailer.end()),
              std::vector<std::uint8_t>(6, 0));

    // Transport configuration (trailer 001): key B becomes readable data.
    ASSERT_EQ(card.authenticate(KeyType::B, 7, kDefaultKey), MF_OK);
    ASSERT_EQ(writeTrailer(card, 7, kDefaultKey, {0xFF, 0x07, 0x80}, kDefaultKey), MF_OK);
    ASSERT_EQ(card.authenticate(KeyType::A, 7, kDefaultKey), MF_OK);
    trailer = readOrEmpty(card, 7);
    EXPECT_EQ(trailer[0], 0);
    EXPECT_EQ(trailer[10], 0x7D);
    // ... and so key B still authenticates but opens nothing, and the refusal drops the card.
    EXPECT_EQ(card.authenticate(KeyType::B, 4, kDefaultKey), MF_OK);
    std::vector<std::uint8_t> data;
    EXPECT_EQ(card.read(4, 1, data), MF_ERR_ACCESS_DENIED);
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(card.state(), CardState::Idle);
    EXPECT_EQ(card.read(4, 1, data), MF_ERR_NOT_AUTHENTICATED);
}

TEST(MifareClassic, TrailerWriteChangesOnlyThePartsItsConditionsAllow) {
    MifareClassic card = selectedCard();
    const Key newKey{9, 9, 9, 9, 9, 9};
    // Default trailer 011: key A and access bits written with key B only.
    ASSERT_EQ(card.authenticate(KeyType::A, 7, kDefaultKey), MF_OK);
    EXPECT_EQ(writeTrailer(card, 7, newKey, {0xFF, 0x07, 0x80}, newKey), MF_ERR_ACCESS_DENIED);
    EXPECT_EQ(card.block(7)[0], 0x7D);
    // Trailer 100 lets key B write both keys but not the access bits.
    ASSERT_EQ(card.authenticate(KeyType::B, 7, kDefaultKey), MF_OK);
    const auto locked = encodeAccessBits({0, 0, 0, 4});
    ASSERT_EQ(writeTrailer(card, 7, kDefaultKey, locked, kDefaultKey), MF_OK);
    ASSERT_EQ(card.authenticate(KeyType::B, 7, kDefaultKey), MF_OK);
    EXPECT_EQ(writeTrailer(card, 7, newKey, {0xFF, 0x07, 0x80}, newKey), MF_OK);
    EXPECT_EQ(card.block(7)[0], 9);
    EXPECT_EQ(card.block(7)[10], 9);
    EXPECT_EQ(card.block(7)[6], locked[0]);
}

TEST(MifareClassic, MalformedAccessBitsBlockTheSectorUntilRevived) {
    MifareClassic card = selectedCard();
    ASSERT_EQ(card.authenticate(KeyType::B, 4, kDefaultKey), MF_OK);
    ASSERT_EQ(writeTrailer(card, 7, kDefaultKey, {0x00, 0x00, 0x00}, kDefaultKey), MF_OK);
    EXPECT_TRUE(card.sectorBlocked(1));
    std::vector<std::uint8_t> data;
    EXPECT_EQ(card.read(4, 1, data), MF_ERR_ACCESS_DENIED);
    EXPECT_EQ(card.authenticate(KeyType::A, 4, kDefaultKey), MF_ERR_ACCESS_DENIED);
    EXPECT_EQ(card.revive(), 1U);
    EXPECT_FALSE(card.sectorBlocked(1));
    ASSERT_TRUE(card.wake(false));
    ASSERT_TRUE(card.select());
    EXPECT_EQ(card.authenticate(KeyType::A, 4, kDefaultKey), MF_OK);
}

TEST(MifareClassic, DeniedDataWriteChangesNothing) {
    MifareClassic card = selectedCard();
    ASSERT_EQ(card.authenticate(KeyType::B, 4, kDefaultKey), MF_OK);
    // Data group 1 (block 5) read-only (010), trailer keeps 011.
    ASSERT_EQ(writeTrailer(card, 7, kDefaultKey, encodeAccessBits({0, 2, 0, 3}), kDefaultKey),
              MF_OK);
    ASSERT_EQ(card.authenticate(KeyType::B, 4, kDefaultKey), MF_OK);
    EXPECT_EQ(card.write(4, 2, std::vector<std::uint8_t>(32, 0xEE)), MF_ERR_ACCESS_DENIED);
    EXPECT_EQ(card.block(4)[0], 50);
    reopen(card, KeyType::B, 4);
    EXPECT_EQ(card.write(4, 1, std::vector<std::uint8_t>(16, 0xEE)), MF_OK);
    EXPECT_EQ(card.block(4)[0], 0xEE);
}

TEST(MifareClassic, ValueBlocksIncrementDecrementRestoreAndTransfer) {
    MifareClassic card = selectedCard();
    ASSERT_EQ(card.authenticate(KeyType::A, 8, kDefaultKey), MF_OK);
    const Block value = mifare::encodeValueBlock({100, 8});
    ASSERT_EQ(card.write(8, 1, value), MF_OK);
    EXPECT_EQ(card.transfer(8), MF_ERR_NO_VALUE_PENDING);
    EXPECT_EQ(card.valueOperation(ValueOperation::Increment, 8, 25), MF_OK);
    EXPECT_EQ(card.block(8), value); // Nothing lands before the transfer.
    EXPECT_EQ(card.transfer(9), MF_OK);
    EXPECT_EQ(mifare::decodeValueBlock(card.block(9)), (mifare::ValueBlock{125, 8}));
    EXPECT_EQ(card.valueOperation(ValueOperation::Decrement, 9, 200), MF_OK);
    EXPECT_EQ(card.transfer(9), MF_OK);
    EXPECT_EQ(mifare::decodeValueBlock(card.block(9))->value, -75);
    EXPECT_EQ(card.valueOperation(ValueOperation::Restore, 8, 0), MF_OK);
    EXPECT_EQ(card.transfer(10), MF_OK);
    EXPECT_EQ(mifare::decodeValueBlock(card.block(10))->value, 100);
    EXPECT_EQ(card.valueOperation(ValueOperation::Increment, 11, 1), MF_ERR_ACCESS_DENIED);
    reopen(card, KeyType::A, 8);
    ASSERT_EQ(card.write(10, 1, std::vector<std::uint8_t>(16, 0)), MF_OK);
    EXPECT_EQ(card.valueOperation(ValueOperation::Increment, 10, 1), MF_ERR_NOT_VALUE_BLOCK);
    reopen(card, KeyType::A, 8);
    ASSERT_EQ(card.write(8, 1, mifare::encodeValueBlock({0x7FFFFFFF, 8})), MF_OK);
    EXPECT_EQ(card.valueOperation(ValueOperation::Increment, 8, 1), MF_ERR_BAD_PARAMETER);
    EXPECT_EQ(card.valueOperation(ValueOperation::Increment, 4, 1), MF_ERR_NOT_AUTHENTICATED);
}

TEST(MifareClassic, ValueOperationsObeyTheValueBlockConditions) {
    MifareClassic card = selectedCard();
    ASSERT_EQ(card.authenticate(KeyType::B, 8, kDefaultKey), MF_OK);
    ASSERT_EQ(card.write(8, 1, mifare::encodeValueBlock({10, 8})), MF_OK);
    // Group 0 becomes 001: read and decrement only, with either key.
    ASSERT_EQ(writeTrailer(card, 11, kDefaultKey, encodeAccessBits({1, 0, 0, 3}), kDefaultKey),
              MF_OK);
    ASSERT_EQ(card.authenticate(KeyType::B, 8, kDefaultKey), MF_OK);
    EXPECT_EQ(card.valueOperation(ValueOperation::Increment, 8, 1), MF_ERR_ACCESS_DENIED);
    reopen(card, KeyType::B, 8);
    EXPECT_EQ(card.write(8, 1, mifare::encodeValueBlock({99, 8})), MF_ERR_ACCESS_DENIED);
    reopen(card, KeyType::B, 8);
    EXPECT_EQ(card.valueOperation(ValueOperation::Decrement, 8, 3), MF_OK);
    EXPECT_EQ(card.transfer(8), MF_OK);
    EXPECT_EQ(mifare::decodeValueBlock(card.block(8))->value, 7);
    EXPECT_EQ(card.transfer(11), MF_ERR_ACCESS_DENIED);
}

TEST(MifareClassic, FourKLargeSectorsAuthenticateAsOne) {
    MifareClassic card = selectedCard(CardKind::Classic4K);
    ASSERT_EQ(card.authenticate(KeyType::A, 140, kDefaultKey), MF_OK);
    EXPECT_EQ(readOrEmpty(card, 128, 4).size(), 64U);
    std::vector<std::uint8_t> data;
    EXPECT_EQ(card.read(142, 2, data), MF_OK);
    EXPECT_EQ(card.read(143, 2, data), MF_ERR_BAD_BLOCK);
    EXPECT_EQ(card.read(127, 1, data), MF_ERR_NOT_AUTHENTICATED);
}

} // namespace
