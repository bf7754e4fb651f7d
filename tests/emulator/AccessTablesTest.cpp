// The emulated card against the MIFARE Classic data sheet's access tables (NXP MF1S50yyX and
// MF1S70yyX, "Access conditions for the sector trailer" and "... for data blocks"), cell by
// cell: each operation is tried on the card itself, with each key, under every condition.
#include "emulator/model/MifareClassic.h"
#include "mifare/ValueBlock.h"

#include <MF_API.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using namespace kov450;

// Who may do something, as the tables write it.
enum Who { Never, A, B, AB };

bool allows(Who who, KeyType key) {
    return who == AB || (who == A && key == KeyType::A) || (who == B && key == KeyType::B);
}

struct DataRow {
    const char* bits; // C1 C2 C3
    Who read, write, increment, decrementTransferRestore;
};

// In the data sheet's order of rows.
constexpr std::array<DataRow, 8> kDataBlocks{{
    {"000", AB, AB, AB, AB},
    {"010", AB, Never, Never, Never},
    {"100", AB, B, Never, Never},
    {"110", AB, B, B, AB},
    {"001", AB, Never, Never, AB},
    {"011", B, B, Never, Never},
    {"101", B, Never, Never, Never},
    {"111", Never, Never, Never, Never},
}};

struct TrailerRow {
    const char* bits; // C1 C2 C3
    Who keyARead, keyAWrite, accessRead, accessWrite, keyBRead, keyBWrite;
};

constexpr std::array<TrailerRow, 8> kTrailers{{
    {"000", Never, A, A, Never, A, A},
    {"010", Never, Never, A, Never, A, Never},
    {"100", Never, B, AB, Never, Never, B},
    {"110", Never, Never, AB, Never, Never, Never},
    {"001", Never, A, A, A, A, A},
    {"011", Never, B, AB, B, Never, B},
    {"101", Never, Never, AB, B, Never, Never},
    {"111", Never, Never, AB, Never, Never, Never},
}};

unsigned conditionOf(const char* bits) {
    const auto bit = [&](std::size_t at) {
        return bits[at] == '1' ? 1U : 0U;
    };
    return bit(0) * 4U + bit(1) * 2U + bit(2);
}

// The data sheet's footnote: where key B may be read it cannot serve for access, so after an
// authentication with it the card refuses every memory access.
bool serves(const TrailerRow& trailer, KeyType key) {
    return key == KeyType::A || trailer.keyBRead == Never;
}

// Trailer bytes 6 to 8 as the data sheet lays them out: byte 6 ~C2 ~C1, byte 7 C1 ~C3, byte 8
// C3 C2, a nibble each, group g at bit g.
std::array<std::uint8_t, 3> accessBytes(const std::array<unsigned, 4>& groups) {
    unsigned c1 = 0;
    unsigned c2 = 0;
    unsigned c3 = 0;
    for (unsigned group = 0; group < 4; ++group) {
        c1 |= ((groups[group] >> 2U) & 1U) << group;
        c2 |= ((groups[group] >> 1U) & 1U) << group;
        c3 |= (groups[group] & 1U) << group;
    }
    return {static_cast<std::uint8_t>(((~c2 & 0xFU) << 4U) | (~c1 & 0xFU)),
            static_cast<std::uint8_t>((c1 << 4U) | (~c3 & 0xFU)),
            static_cast<std::uint8_t>((c3 << 4U) | c2)};
}

constexpr Uid kUid{0x11, 0x22, 0x33, 0x44};
constexpr Key kKeyA{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
constexpr Key kKeyB{0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5};
constexpr std::size_t kBlock = 4;        // data group 0 of sector 1, the block under test
constexpr std::size_t kSource = 5;       // data group 1, always 000: a value to restore
constexpr std::size_t kTrailer = 7;      // sector 1's trailer
constexpr std::uint8_t kUserByte = 0x69; // trailer byte 9

Block trailerBlock(const Key& keyA, const std::array<std::uint8_t, 3>& access, std::uint8_t user,
                   const Key& keyB) {
    Block trailer{};
    std::copy(keyA.begin(), keyA.end(), trailer.begin());
    std::copy(access.begin(), access.end(), trailer.begin() + 6);
    trailer[9] = user;
    std::copy(keyB.begin(), keyB.end(), trailer.begin() + 10);
    return trailer;
}

/// A card whose sector 1 has data group 0 under `data`, group 1 and 2 under 000, the trailer
/// under `trailer`; blocks 4 and 5 hold the values 100 and 200.
MifareClassic cardWith(unsigned data, unsigned trailer) {
    auto bytes = MifareClassic::makeDefault(CardKind::Classic1K, kUid, 0).dump();
    const auto put = [&](std::size_t block, const Block& content) {
        std::copy(content.begin(), content.end(), bytes.begin() + static_cast<long>(block * 16));
    };
    put(kBlock, mifare::encodeValueBlock({100, kBlock}));
    put(kSource, mifare::encodeValueBlock({200, kSource}));
    put(kTrailer, trailerBlock(kKeyA, accessBytes({data, 0, 0, trailer}), kUserByte, kKeyB));
    return *MifareClassic::fromDump(bytes);
}

/// Request, select and authenticate sector 1, as a reader does before each operation here.
/// Both keys authenticate under every condition, key B even where it may be read.
void open(MifareClassic& card, KeyType key) {
    ASSERT_TRUE(card.wake(false));
    ASSERT_TRUE(card.select());
    ASSERT_EQ(card.authenticate(key, kBlock, key == KeyType::A ? kKeyA : kKeyB), MF_OK);
}

std::string keyName(KeyType key) {
    return key == KeyType::A ? "key A" : "key B";
}

enum class Operation { Read, Write, Increment, Decrement, Restore, Transfer };

struct Tried {
    Operation operation;
    const char* name;
    Who DataRow::*column;
};

constexpr std::array<Tried, 6> kOperations{{
    {Operation::Read, "read", &DataRow::read},
    {Operation::Write, "write", &DataRow::write},
    {Operation::Increment, "increment", &DataRow::increment},
    {Operation::Decrement, "decrement", &DataRow::decrementTransferRestore},
    {Operation::Restore, "restore", &DataRow::decrementTransferRestore},
    {Operation::Transfer, "transfer", &DataRow::decrementTransferRestore},
}};

/// Does one operation on block 4 of a card opened with `key`; the status, and whether the block
/// now holds what the operation would have put there.
std::int32_t attempt(MifareClassic& card, Operation operation, bool& blockChanged) {
    const Block before = card.block(kBlock);
    std::int32_t status = MF_OK;
    switch (operation) {
    case Operation::Read: {
        std::vector<std::uint8_t> data;
        status = card.read(kBlock, 1, data);
        EXPECT_EQ(data.empty(), status != MF_OK);
        break;
    }
    case Operation::Write:
        status = card.write(kBlock, 1, mifare::encodeValueBlock({7, kBlock}));
        break;
    case Operation::Increment:
        status = card.valueOperation(ValueOperation::Increment, kBlock, 1);
        break;
    case Operation::Decrement:
        status = card.valueOperation(ValueOperation::Decrement, kBlock, 1);
        break;
    case Operation::Restore:
        status = card.valueOperation(ValueOperation::Restore, kBlock, 0);
        break;
    case Operation::Transfer:
        // The value of block 5 (group 000) into block 4: the transfer is what is judged.
        status = card.valueOperation(ValueOperation::Restore, kSource, 0);
        if (status == MF_OK) {
            status = card.transfer(kBlock);
        }
        break;
    }
    blockChanged = card.block(kBlock) != before;
    return status;
}

TEST(AccessTables, EveryDataBlockCellUnderEveryTrailerWithEitherKey) {
    ASSERT_EQ(accessBytes({0, 0, 0, 1}), (std::array<std::uint8_t, 3>{0xFF, 0x07, 0x80}));
    for (const TrailerRow& trailer : kTrailers) {
        for (const DataRow& data : kDataBlocks) {
            const MifareClassic fresh = cardWith(conditionOf(data.bits), conditionOf(trailer.bits));
            for (const KeyType key : {KeyType::A, KeyType::B}) {
                for (const Tried& tried : kOperations) {
                    const std::string cell = std::string("trailer ") + trailer.bits + ", data " +
                                             data.bits + ", " + keyName(key) + ", " + tried.name;
                    MifareClassic card = fresh;
                    ASSERT_NO_FATAL_FAILURE(open(card, key)) << cell;
                    const bool allowed = allows(data.*tried.column, key) && serves(trailer, key);
                    bool changed = false;
                    const std::int32_t status = attempt(card, tried.operation, changed);
                    EXPECT_EQ(status, allowed ? MF_OK : MF_ERR_ACCESS_DENIED) << cell;
                    // Only a write and a transfer change the block, and only when allowed.
                    const bool writes = tried.operation == Operation::Write ||
                                        tried.operation == Operation::Transfer;
                    EXPECT_EQ(changed, allowed && writes) << cell;
                    // A refusal is a NAK: the card drops out of its session.
                    EXPECT_EQ(card.state(), allowed ? CardState::Active : CardState::Idle) << cell;
                }
            }
        }
    }
}

TEST(AccessTables, EveryTrailerCellWithEitherKey) {
    const Key newKeyA{0x1A, 0x1A, 0x1A, 0x1A, 0x1A, 0x1A};
    const Key newKeyB{0x1B, 0x1B, 0x1B, 0x1B, 0x1B, 0x1B};
    for (const TrailerRow& row : kTrailers) {
        const unsigned condition = conditionOf(row.bits);
        const MifareClassic fresh = cardWith(0, condition);
        const Block stored = fresh.block(kTrailer);
        for (const KeyType key : {KeyType::A, KeyType::B}) {
            const std::string cell = std::string("trailer ") + row.bits + ", " + keyName(key);
            const bool serving = serves(row, key);
            const auto part = [&](const Block& block, std::size_t at, std::size_t size) {
                return std::vector<std::uint8_t>(block.begin() + static_cast<long>(at),
                                                 block.begin() + static_cast<long>(at + size));
            };
            const auto zeros = [](std::size_t size) {
                return std::vector<std::uint8_t>(size, 0);
            };

            // Read: each part shows where its read cell allows it, else zeros.
            MifareClassic card = fresh;
            ASSERT_NO_FATAL_FAILURE(open(card, key)) << cell;
            std::vector<std::uint8_t> read;
            const std::int32_t readStatus = card.read(kTrailer, 1, read);
            EXPECT_EQ(readStatus, serving ? MF_OK : MF_ERR_ACCESS_DENIED) << cell << ", read";
            if (readStatus == MF_OK) {
                Block shown{};
                std::copy(read.begin(), read.end(), shown.begin());
                EXPECT_EQ(part(shown, 0, 6),
                          allows(row.keyARead, key) ? part(stored, 0, 6) : zeros(6))
                    << cell << ", key A read";
                EXPECT_EQ(part(shown, 6, 4),
                          allows(row.accessRead, key) ? part(stored, 6, 4) : zeros(4))
                    << cell << ", access bits read";
                EXPECT_EQ(part(shown, 10, 6),
                          allows(row.keyBRead, key) ? part(stored, 10, 6) : zeros(6))
                    << cell << ", key B read";
            } else {
                EXPECT_EQ(card.state(), CardState::Idle) << cell << ", read";
            }

            // Write: each part takes its new bytes where its write cell allows it; the write is
            // refused (NAK) only when no part may be written.
            card = fresh;
            ASSERT_NO_FATAL_FAILURE(open(card, key)) << cell;
            const Block written =
                trailerBlock(newKeyA, accessBytes({0, 0, 2, condition}), 0x42, newKeyB);
            const bool keyAWrite = serving && allows(row.keyAWrite, key);
            const bool accessWrite = serving && allows(row.accessWrite, key);
            const bool keyBWrite = serving && allows(row.keyBWrite, key);
            const bool anyWrite = keyAWrite || accessWrite || keyBWrite;
            EXPECT_EQ(card.write(kTrailer, 1, written), anyWrite ? MF_OK : MF_ERR_ACCESS_DENIED)
                << cell << ", write";
            EXPECT_EQ(card.state(), anyWrite ? CardState::Active : CardState::Idle)
                << cell << ", write";
            const Block after = card.block(kTrailer);
            EXPECT_EQ(part(after, 0, 6), part(keyAWrite ? written : stored, 0, 6))
                << cell << ", key A write";
            EXPECT_EQ(part(after, 6, 4), part(accessWrite ? written : stored, 6, 4))
                << cell << ", access bits write";
            EXPECT_EQ(part(after, 10, 6), part(keyBWrite ? written : stored, 10, 6))
                << cell << ", key B write";
        }
    }
}

TEST(AccessTables, ARefusalEndsTheSessionAndACardWokenFromHaltFallsBackToHalt) {
    // Transport configuration: key B may be read, so it authenticates and opens nothing.
    MifareClassic card = cardWith(0, 1);
    ASSERT_NO_FATAL_FAILURE(open(card, KeyType::B));
    std::vector<std::uint8_t> data;
    EXPECT_EQ(card.read(kBlock, 1, data), MF_ERR_ACCESS_DENIED);
    // The authentication is gone with the session: nothing is read without a new one.
    EXPECT_EQ(card.read(kBlock, 1, data), MF_ERR_NOT_AUTHENTICATED);
    EXPECT_FALSE(card.select());
    ASSERT_NO_FATAL_FAILURE(open(card, KeyType::A));
    EXPECT_EQ(card.read(kBlock, 1, data), MF_OK);

    // A card woken from halt (WUPA) goes back to halt, where REQA does not find it.
    ASSERT_TRUE(card.halt());
    ASSERT_TRUE(card.wake(true));
    ASSERT_TRUE(card.select());
    ASSERT_EQ(card.authenticate(KeyType::B, kBlock, kKeyB), MF_OK);
    EXPECT_EQ(card.write(kBlock, 1, data), MF_ERR_ACCESS_DENIED);
    EXPECT_EQ(card.state(), CardState::Halt);
    EXPECT_FALSE(card.wake(false));
    EXPECT_TRUE(card.wake(true));
}

} // namespace
