// The one way into the reader: a request applied, its change handed to the keeper before the
// answer goes out, and undone and refused when the keeper cannot keep it.
#include "emulator/host/ReaderSession.h"
#include "mifare/ValueBlock.h"

#include "protocol/Bytes.h"
#include "protocol/Command.h"

#include <MF_API.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace kov450;
using protocol::Command;

constexpr Uid kFirst{0xA1, 0xA2, 0xA3, 0xA4};

/// Hands back the commands whose changes may last, and undoes them while it does not keep.
class RecordingKeeper final : public ChangeKeeper {
public:
    void keep(ReaderChange& change) override {
        if (!change.mayLast()) {
            return;
        }
        if (const auto* line = std::get_if<Exchange<LineRequest>>(&change.exchange())) {
            handed.push_back(static_cast<Command>(line->operation.frame.command));
        }
        if (!keeps) {
            change.undo("error: the state was not saved: a test");
        }
    }

    std::vector<Command> handed;
    bool keeps = true;
};

class ReaderSessionTest : public ::testing::Test {
protected:
    ReaderSessionTest() {
        reader.present(reader.addCard(MifareClassic::makeDefault(CardKind::Classic1K, kFirst, 50)));
    }

    protocol::Frame send(Command command, std::vector<std::uint8_t> payload = {}) {
        const auto answer = session.apply(LineRequest{protocol::Frame{
            protocol::FrameKind::Request, 0, protocol::toByte(command), 0, payload}});
        EXPECT_TRUE(answer.has_value());
        return answer.value_or(protocol::Frame{});
    }

    std::int32_t status(Command command, std::vector<std::uint8_t> payload = {}) {
        return send(command, std::move(payload)).status;
    }

    // Request, select, load the default key, authenticate block 4 with key B.
    void openSector() {
        ASSERT_EQ(status(Command::Request, {0}), MF_OK);
        ASSERT_EQ(status(Command::Select, {kFirst.begin(), kFirst.end()}), MF_OK);
        ASSERT_EQ(status(Command::LoadKey, {0x7D, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D}), MF_OK);
        std::vector<std::uint8_t> auth{0, 4};
        auth.insert(auth.end(), kFirst.begin(), kFirst.end());
        ASSERT_EQ(status(Command::Authenticate, auth), MF_OK);
    }

    Reader reader;
    RecordingKeeper keeper;
    LineFaults faults;
    ReaderSession session{reader, faults, keeper};
};

TEST_F(ReaderSessionTest, AChangeTheKeeperCannotKeepIsUndoneAndRefused) {
    openSector();
    std::vector<std::uint8_t> write{4, 1};
    write.insert(write.end(), 16, 0x21);
    ASSERT_EQ(status(Command::WriteBlocks, write), MF_OK);
    const Block value = mifare::encodeValueBlock({5, 5});
    std::vector<std::uint8_t> valueWrite{5, 1};
    valueWrite.insert(valueWrite.end(), value.begin(), value.end());
    ASSERT_EQ(status(Command::WriteBlocks, valueWrite), MF_OK);
    std::vector<std::uint8_t> increment{1, 5};
    protocol::appendI32(increment, 10);
    ASSERT_EQ(status(Command::ValueOperation, increment), MF_OK);

    keeper.keeps = false;
    const auto card = reader.cards()[0].card.dump();
    const ReaderState state = reader.state();
    // Changes that would not outlive a restart. The card keeps what it held, as after a write
    // that lost power; the reader refuses a setting of its own.
    write.back() = 0x22;
    EXPECT_EQ(status(Command::WriteBlocks, write), MF_ERR_CARD_NO_ANSWER);
    EXPECT_EQ(status(Command::Transfer, {6}), MF_ERR_CARD_NO_ANSWER);
    EXPECT_EQ(status(Command::SetAddress, {9}), MF_ERR_ACCESS_DENIED);
    EXPECT_EQ(status(Command::StoreKey, {1, 0, 1, 2, 3, 4, 5, 6}), MF_ERR_ACCESS_DENIED);
    EXPECT_EQ(reader.cards()[0].card.dump(), card);
    EXPECT_EQ(reader.state(), state);

    // Nothing more is undone: the card is still selected, its sector open, the value pending.
    keeper.keeps = true;
    EXPECT_EQ(send(Command::ReadBlocks, {4, 1}).payload, std::vector<std::uint8_t>(16, 0x21));
    EXPECT_EQ(status(Command::Transfer, {6}), MF_OK);
    EXPECT_EQ(mifare::decodeValueBlock(reader.cards()[0].card.block(6))->value, 15);
    // Only changes to what lasts, and only those that succeeded, are handed to the keeper.
    EXPECT_EQ(status(Command::Leds, {1, 0}), MF_OK);
    std::vector<std::uint8_t> pastTheSector{7, 2};
    pastTheSector.insert(pastTheSector.end(), 32, 0);
    EXPECT_EQ(status(Command::WriteBlocks, pastTheSector), MF_ERR_BAD_BLOCK);
    EXPECT_EQ(keeper.handed, (std::vector<Command>{Command::WriteBlocks, Command::WriteBlocks,
                                                   Command::ValueOperation, Command::WriteBlocks,
                                                   Command::Transfer, Command::SetAddress,
                                                   Command::StoreKey, Command::Transfer}));
}

} // namespace
