#include "emulator/model/Reader.h"
#include "mifare/ValueBlock.h"

#include "protocol/Bytes.h"
#include "protocol/Command.h"

#include <MF_API.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using namespace kov450;
using protocol::Command;

constexpr Uid kFirst{0xA1, 0xA2, 0xA3, 0xA4};
constexpr Uid kSecond{0xB1, 0xB2, 0xB3, 0xB4};

class ReaderTest : public ::testing::Test {
protected:
    ReaderTest() {
        reader.present(reader.addCard(MifareClassic::makeDefault(CardKind::Classic1K, kFirst, 50)));
    }

    protocol::Frame send(Command command, std::vector<std::uint8_t> payload = {},
                         std::uint8_t address = 0) {
        const auto answer = reader.handle(protocol::Frame{protocol::FrameKind::Request, address,
                                                          protocol::toByte(command), 0, payload});
        EXPECT_TRUE(answer.has_value());
        return answer.value_or(protocol::Frame{});
    }

    std::int32_t status(Command command, std::vector<std::uint8_t> payload = {}) {
        return send(command, std::move(payload)).status;
    }

    static std::vector<std::uint8_t> bytes(const Uid& uid) { return {uid.begin(), uid.end()}; }

    // Request, anticollision, select, load the default key, authenticate block 4 with key B.
    void openSector(const Uid& uid = kFirst) {
        ASSERT_EQ(status(Command::Request, {0}), MF_OK);
        ASSERT_EQ(status(Command::Select, bytes(uid)), MF_OK);
        ASSERT_EQ(status(Command::LoadKey, {0x7D, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D}), MF_OK);
        std::vector<std::uint8_t> auth{0, 4};
        auth.insert(auth.end(), uid.begin(), uid.end());
        ASSERT_EQ(status(Command::Authenticate, auth), MF_OK);
    }

    Reader reader;
};

TEST_F(ReaderTest, AnswersAddressZeroAndItsOwnAddressOnly) {
    EXPECT_EQ(status(Command::SetAddress, {7}), MF_OK);
    EXPECT_EQ(send(Command::GetAddress, {}, 7).payload, std::vector<std::uint8_t>{7});
    EXPECT_EQ(send(Command::GetAddress).address, 7);
    EXPECT_FALSE(
        reader
            .handle(protocol::Frame{
                protocol::FrameKind::Request, 8, protocol::toByte(Command::GetAddress), 0, {}})
            .has_value());
}

TEST_F(ReaderTest, IdentityCommandsReadAndChangeTheReader) {
    EXPECT_EQ(send(Command::GetVersion).payload.size(), reader.state().version.size());
    EXPECT_EQ(send(Command::GetSerial).payload.size(), 8U);
    EXPECT_EQ(status(Command::SetSerial, {'A', 'B', 'C'}), MF_OK);
    EXPECT_EQ(send(Command::GetSerial).payload,
              (std::vector<std::uint8_t>{'A', 'B', 'C', 0, 0, 0, 0, 0}));
    EXPECT_EQ(status(Command::SetSerial, std::vector<std::uint8_t>(9, 'x')), MF_ERR_BAD_PARAMETER);
    std::vector<std::uint8_t> speed;
    protocol::appendU32(speed, 19200);
    EXPECT_EQ(status(Command::SetLineSpeed, speed), MF_OK);
    EXPECT_EQ(reader.state().lineSpeed, 19200U);
    speed.clear();
    protocol::appendU32(speed, 12345);
    EXPECT_EQ(status(Command::SetLineSpeed, speed), MF_ERR_BAD_PARAMETER);
    EXPECT_EQ(reader.state().lineSpeed, 19200U);
    EXPECT_EQ(status(static_cast<Command>(0x7E)), MF_ERR_UNKNOWN_COMMAND);
}

TEST_F(ReaderTest, OutputsFollowLedBuzzerRfAndWiegandCommands) {
    EXPECT_EQ(status(Command::Leds, {1, 0}), MF_OK);
    EXPECT_TRUE(reader.state().redLed);
    EXPECT_FALSE(reader.state().greenLed);
    EXPECT_EQ(status(Command::Leds, {2, 0}), MF_ERR_BAD_PARAMETER);
    std::vector<std::uint8_t> duration;
    protocol::appendI16(duration, 30);
    EXPECT_EQ(status(Command::Buzzer, duration), MF_OK);
    EXPECT_EQ(reader.state().lastBuzzer, 30);
    EXPECT_EQ(reader.state().buzzerCount, 1U);
    EXPECT_EQ(status(Command::Wiegand, {1, 3}), MF_OK);
    EXPECT_EQ(reader.state().wiegandFormat, 3);
    EXPECT_EQ(status(Command::Wiegand, {2, 0}), MF_ERR_BAD_PARAMETER);
    EXPECT_EQ(status(Command::Reset), MF_OK);
    EXPECT_FALSE(reader.state().redLed);
    EXPECT_EQ(reader.state().wiegandMode, 1);
    EXPECT_EQ(reader.state().resetCount, 1U);
}

TEST_F(ReaderTest, RequestAnswersAtqaAndSakThenAnticollisionGivesTheUid) {
    EXPECT_EQ(send(Command::Request, {0}).payload, (std::vector<std::uint8_t>{0x04, 0x00, 0x08}));
    EXPECT_EQ(send(Command::Anticollision).payload, bytes(kFirst));
    EXPECT_EQ(status(Command::Request, {2}), MF_ERR_BAD_PARAMETER);
}

TEST_F(ReaderTest, HaltedCardAnswersWakeUpButNotRequest) {
    openSector();
    EXPECT_EQ(status(Command::Halt), MF_OK);
    EXPECT_EQ(status(Command::Request, {0}), MF_ERR_NO_CARD);
    EXPECT_EQ(status(Command::Request, {1}), MF_OK);
    EXPECT_EQ(status(Command::Select, bytes(kFirst)), MF_OK);
    EXPECT_EQ(status(Command::ReadBlocks, {4, 1}), MF_ERR_NOT_AUTHENTICATED);
}

TEST_F(ReaderTest, RfOffSilencesEveryCardAndDropsTheSession) {
    openSector();
    EXPECT_EQ(status(Command::RfField, {0}), MF_OK);
    EXPECT_EQ(status(Command::ReadBlocks, {4, 1}), MF_ERR_CARD_NO_ANSWER);
    EXPECT_EQ(status(Command::Request, {1}), MF_ERR_NO_CARD);
    EXPECT_EQ(status(Command::RfField, {1}), MF_OK);
    EXPECT_EQ(status(Command::Request, {0}), MF_OK);
}

TEST_F(ReaderTest, RemovedCardStopsAnsweringAndComesBackIdle) {
    openSector();
    reader.remove(0);
    EXPECT_EQ(status(Command::ReadBlocks, {4, 1}), MF_ERR_CARD_NO_ANSWER);
    EXPECT_EQ(status(Command::Request, {1}), MF_ERR_NO_CARD);
    reader.present(0);
    EXPECT_EQ(reader.cards()[0].card.state(), CardState::Idle);
    openSector();
    EXPECT_EQ(send(Command::ReadBlocks, {4, 1}).payload[0], 50);
}

TEST_F(ReaderTest, SelectingAnotherCardEndsTheFirstOnesAuthentication) {
    reader.present(reader.addCard(MifareClassic::makeDefault(CardKind::Classic1K, kSecond, 7)));
    openSector(kFirst);
    EXPECT_EQ(status(Command::Select, bytes(kSecond)), MF_OK);
    EXPECT_EQ(status(Command::ReadBlocks, {4, 1}), MF_ERR_NOT_AUTHENTICATED);
    EXPECT_EQ(status(Command::Select, bytes(kFirst)), MF_ERR_NOT_SELECTED); // Now Idle.
    EXPECT_EQ(status(Command::ReadBlocks, {4, 1}), MF_ERR_NOT_SELECTED);
}

TEST_F(ReaderTest, MemoryCommandsNeedASelectedCardAndTheRightSerialNumber) {
    EXPECT_EQ(status(Command::ReadBlocks, {4, 1}), MF_ERR_NOT_SELECTED);
    ASSERT_EQ(status(Command::Request, {0}), MF_OK);
    ASSERT_EQ(status(Command::Select, bytes(kFirst)), MF_OK);
    std::vector<std::uint8_t> auth{0, 4};
    auth.insert(auth.end(), kSecond.begin(), kSecond.end());
    EXPECT_EQ(status(Command::Authenticate, auth), MF_ERR_NOT_SELECTED);
    auth[0] = 2;
    EXPECT_EQ(status(Command::Authenticate, auth), MF_ERR_BAD_PARAMETER);
}

TEST_F(ReaderTest, WrongKeyFailsAndSendsTheCardBackToIdle) {
    ASSERT_EQ(status(Command::Request, {0}), MF_OK);
    ASSERT_EQ(status(Command::Select, bytes(kFirst)), MF_OK);
    std::vector<std::uint8_t> auth{1, 4};
    auth.insert(auth.end(), kFirst.begin(), kFirst.end());
    EXPECT_EQ(status(Command::Authenticate, auth), MF_ERR_AUTH_FAILED); // Factory key FF.
    EXPECT_EQ(status(Command::ReadBlocks, {4, 1}), MF_ERR_NOT_SELECTED);
}

TEST_F(ReaderTest, ACommandTheCardRefusesEndsItsSelection) {
    // The card's own refusals (access conditions, a value block's format) are NAKs: the reader
    // lets go of the card, which a new request finds again. Its own checks keep the session.
    openSector();
    EXPECT_EQ(status(Command::ReadBlocks, {8, 1}), MF_ERR_NOT_AUTHENTICATED);
    EXPECT_EQ(status(Command::ReadBlocks, {4, 1}), MF_OK);
    EXPECT_EQ(status(Command::ValueOperation, {2, 7, 1, 0, 0, 0}), MF_ERR_ACCESS_DENIED);
    EXPECT_EQ(status(Command::ReadBlocks, {4, 1}), MF_ERR_NOT_SELECTED);
    openSector();
    EXPECT_EQ(status(Command::ValueOperation, {1, 5, 1, 0, 0, 0}), MF_ERR_NOT_VALUE_BLOCK);
    EXPECT_EQ(status(Command::Transfer, {5}), MF_ERR_NOT_SELECTED);
    openSector();
    EXPECT_EQ(status(Command::Transfer, {5}), MF_ERR_NO_VALUE_PENDING);
    EXPECT_EQ(status(Command::ReadBlocks, {4, 1}), MF_OK);
}

TEST_F(ReaderTest, KeyStoreSlotsFeedTheCurrentKey) {
    std::vector<std::uint8_t> store{0, 15, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D};
    EXPECT_EQ(status(Command::StoreKey, store), MF_OK);
    EXPECT_EQ(reader.state().keyStore[0][15], kDefaultKey);
    EXPECT_EQ(reader.state().currentKey, kFactoryKey);
    EXPECT_EQ(status(Command::LoadStoredKey, {0, 15}), MF_OK);
    EXPECT_EQ(reader.state().currentKey, kDefaultKey);
    EXPECT_EQ(status(Command::LoadStoredKey, {0, 16}), MF_ERR_BAD_PARAMETER);
    EXPECT_EQ(status(Command::LoadStoredKey, {2, 0}), MF_ERR_BAD_PARAMETER);
    store[1] = 16;
    EXPECT_EQ(status(Command::StoreKey, store), MF_ERR_BAD_PARAMETER);
}

TEST_F(ReaderTest, ReadWriteValueAndTransferReachTheCard) {
    openSector();
    std::vector<std::uint8_t> write{4, 1};
    write.insert(write.end(), 16, 0x21);
    EXPECT_EQ(status(Command::WriteBlocks, write), MF_OK);
    EXPECT_EQ(send(Command::ReadBlocks, {4, 1}).payload, std::vector<std::uint8_t>(16, 0x21));
    EXPECT_EQ(status(Command::WriteBlocks, {4, 2, 1}), MF_ERR_BAD_PARAMETER);
    const Block value = mifare::encodeValueBlock({5, 5});
    write = {5, 1};
    write.insert(write.end(), value.begin(), value.end());
    ASSERT_EQ(status(Command::WriteBlocks, write), MF_OK);
    std::vector<std::uint8_t> operation{1, 5};
    protocol::appendI32(operation, 10);
    EXPECT_EQ(status(Command::ValueOperation, operation), MF_OK);
    EXPECT_EQ(status(Command::Transfer, {6}), MF_OK);
    EXPECT_EQ(mifare::decodeValueBlock(reader.cards()[0].card.block(6))->value, 15);
    operation[0] = 4;
    EXPECT_EQ(status(Command::ValueOperation, operation), MF_ERR_BAD_PARAMETER);
}

TEST_F(ReaderTest, APayloadOfTheWrongLengthIsRefusedBeforeAnythingElse) {
    // A payload of the right length for each command. No card is selected and the field has a
    // card, so that a command looking further than the length would answer something else.
    const auto uid = bytes(kFirst);
    std::vector<std::uint8_t> write{4, 1};
    write.insert(write.end(), 16, 0x21);
    const std::vector<std::pair<Command, std::vector<std::uint8_t>>> fitting{
        {Command::GetAddress, {}},
        {Command::SetAddress, {1}},
        {Command::SetLineSpeed, {0x80, 0x25, 0, 0}},
        {Command::GetVersion, {}},
        {Command::GetSerial, {}},
        {Command::SetSerial, std::vector<std::uint8_t>(8, 'x')},
        {Command::Reset, {}},
        {Command::Buzzer, {1, 0}},
        {Command::Leds, {1, 1}},
        {Command::RfField, {0}},
        {Command::Wiegand, {1, 26}},
        {Command::Request, {0}},
        {Command::Anticollision, {}},
        {Command::Select, uid},
        {Command::Halt, {}},
        {Command::LoadKey, std::vector<std::uint8_t>(6, 0x7D)},
        {Command::LoadStoredKey, {1, 0}},
        {Command::StoreKey, {1, 0, 1, 2, 3, 4, 5, 6}},
        {Command::Authenticate, {0, 4, uid[0], uid[1], uid[2], uid[3]}},
        {Command::ReadBlocks, {4, 1}},
        {Command::WriteBlocks, write},
        {Command::ValueOperation, {1, 5, 0, 0, 0, 0}},
        {Command::Transfer, {5}}};
    // Every command the reader knows is in the table.
    for (unsigned id = 0; id < 256; ++id) {
        const auto command = static_cast<Command>(id);
        if (status(command) != MF_ERR_UNKNOWN_COMMAND) {
            EXPECT_TRUE(std::any_of(fitting.begin(), fitting.end(),
                                    [&](const auto& entry) { return entry.first == command; }))
                << "command " << id;
        }
    }
    const auto card = reader.cards()[0].card.dump();
    const ReaderState state = reader.state();
    for (const auto& [command, payload] : fitting) {
        std::vector<std::vector<std::uint8_t>> wrong{payload};
        wrong.front().push_back(0);
        // A shorter payload where the command has a fixed one that is not empty.
        if (!payload.empty() && command != Command::SetSerial) {
            wrong.emplace_back(payload.begin(), payload.end() - 1);
        }
        for (const auto& candidate : wrong) {
            EXPECT_EQ(status(command, candidate), MF_ERR_BAD_PARAMETER)
                << "command " << int{protocol::toByte(command)} << ", " << candidate.size()
                << " byte(s)";
        }
    }
    // A write's blocks must match its count.
    EXPECT_EQ(status(Command::WriteBlocks, {4}), MF_ERR_BAD_PARAMETER);
    std::vector<std::uint8_t> twoBlocksCounted = write;
    twoBlocksCounted[1] = 2;
    EXPECT_EQ(status(Command::WriteBlocks, twoBlocksCounted), MF_ERR_BAD_PARAMETER);
    EXPECT_EQ(reader.state(), state) << "a refused request changed the reader";
    EXPECT_EQ(reader.cards()[0].card.dump(), card);
}

} // namespace
