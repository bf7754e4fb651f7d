// The words the window puts on frames and blocks.
#include "emulator/window/BlockMeaning.h"
#include "emulator/window/ExchangeText.h"
#include "emulator/window/ReaderSnapshot.h"
#include "mifare/ValueBlock.h"
#include "protocol/Command.h"
#include "protocol/Status.h"
#include "protocol/Status.h"

#include <MF_API.h>

#include <gtest/gtest.h>

namespace {

using namespace kov450;
using protocol::Command;
using protocol::Frame;
using protocol::FrameKind;

Frame request(Command command, std::vector<std::uint8_t> payload) {
    return Frame{FrameKind::Request, 0, protocol::toByte(command), 0, std::move(payload)};
}

Frame answer(Command command, std::int32_t status, std::vector<std::uint8_t> payload = {}) {
    return Frame{FrameKind::Answer, 0, protocol::toByte(command), status, std::move(payload)};
}

TEST(ExchangeText, DecodesCommandsArgumentsAndStatus) {
    auto text =
        describeExchange(request(Command::ReadBlocks, {4, 1}),
                         answer(Command::ReadBlocks, MF_OK, std::vector<std::uint8_t>(16, 0xAB)));
    EXPECT_EQ(text.command, "Read blocks");
    EXPECT_EQ(text.arguments, "block 4, count 1");
    EXPECT_EQ(text.status, "0 OK");
    EXPECT_EQ(text.answer, "ABABABABABABABABABABABABABABABAB");

    text = describeExchange(request(Command::Authenticate, {0, 7, 0xA1, 0xB2, 0xC3, 0xD4}),
                            answer(Command::Authenticate, MF_ERR_AUTH_FAILED));
    EXPECT_EQ(text.arguments, "key B, block 7, UID A1B2C3D4");
    EXPECT_EQ(text.status, "3 authentication failed");

    text = describeExchange(request(Command::ValueOperation, {2, 5, 0xFE, 0xFF, 0xFF, 0xFF}),
                            answer(Command::ValueOperation, MF_OK));
    EXPECT_EQ(text.arguments, "decrement, block 5, operand -2");

    text = describeExchange(request(Command::SetLineSpeed, {0x00, 0x4B, 0x00, 0x00}),
                            answer(Command::SetLineSpeed, MF_OK));
    EXPECT_EQ(text.command, "Set line speed");
    EXPECT_EQ(text.arguments, "19200 bit/s");

    text = describeExchange(request(Command::Request, {0}),
                            answer(Command::Request, MF_OK, {0x04, 0x00, 0x08}));
    EXPECT_EQ(text.arguments, "idle cards (REQA)");
    EXPECT_EQ(text.answer, "ATQA 0400, SAK 08");

    const Frame unknown{FrameKind::Request, 0, 0x7E, 0, {1, 2}};
    text = describeExchange(unknown, answer(Command::Reset, MF_ERR_UNKNOWN_COMMAND));
    EXPECT_EQ(text.command, "command 0x7E");
    EXPECT_EQ(text.arguments, "0102");
    EXPECT_EQ(text.status, "11 unknown command");
}

TEST(ExchangeText, DescribesAnApduAndTheCardsAnswerAsAPcscRow) {
    std::vector<std::uint8_t> update{0xFF, 0xD6, 0x00, 0x04, 0x10};
    update.insert(update.end(), 16, 0x22);
    auto text = describeApdu(update, std::vector<std::uint8_t>{0x65, 0x81});
    EXPECT_EQ(text.kind, ExchangeKind::Pcsc);
    EXPECT_EQ(text.command, "PC/SC Update binary");
    EXPECT_EQ(text.arguments, "FF D6 00 04 10, data 22222222222222222222222222222222");
    EXPECT_EQ(text.status, "65 81 memory failure");
    EXPECT_EQ(text.answer, "");
    EXPECT_FALSE(text.succeeded());

    text = describeApdu(std::vector<std::uint8_t>{0xFF, 0xCA, 0x00, 0x00, 0x00},
                        std::vector<std::uint8_t>{0xA1, 0xB2, 0xC3, 0xD4, 0x90, 0x00});
    EXPECT_EQ(text.command, "PC/SC Get data");
    EXPECT_EQ(text.arguments, "FF CA 00 00 00");
    EXPECT_EQ(text.status, "90 00 OK");
    EXPECT_EQ(text.answer, "A1B2C3D4");
    EXPECT_TRUE(text.succeeded());

    text = describeApdu(std::vector<std::uint8_t>{0x00, 0xA4, 0x04, 0x00},
                        std::vector<std::uint8_t>{0x6E, 0x00});
    EXPECT_EQ(text.command, "PC/SC APDU");
    EXPECT_EQ(text.status, "6E 00 class not supported");
    EXPECT_EQ(describeApdu(update, std::vector<std::uint8_t>{0x90}).status, "no status word");
}

TEST(ExchangeText, NamesEveryStatusItKnows) {
    using protocol::statusText;
    EXPECT_EQ(statusText(MF_ERR_TIMEOUT), "-2 timeout");
    EXPECT_EQ(statusText(MF_ERR_NOT_VALUE_BLOCK), "8 not a value block");
    EXPECT_EQ(statusText(MF_ERR_UNSAFE_PORT_FOLDER), "-10 port folder not safe");
    EXPECT_EQ(statusText(MF_ERR_NO_SERVICE), "-12 PC/SC service not running");
    EXPECT_EQ(statusText(MF_ERR_FUNCTION_MISSING), "-101 function missing");
    EXPECT_EQ(statusText(4242), "4242");
}

MifareClassic defaultCard() {
    return MifareClassic::makeDefault(CardKind::Classic1K, {0xA1, 0xB2, 0xC3, 0xD4}, 50);
}

TEST(BlockMeaning, SaysWhoMayDoWhatInWords) {
    const MifareClassic card = defaultCard();
    EXPECT_EQ(blockMeaning(card, 0), "manufacturer block, read-only: UID A1B2C3D4");
    EXPECT_EQ(blockMeaning(card, 4),
              "read A or B, write A or B, increment A or B, decrement A or B");
    EXPECT_EQ(blockMeaning(card, 7),
              "trailer: key A read never, written B; access bits read A or B, written B; key B "
              "read never, written B");
}

TEST(BlockMeaning, ShowsValueBlocksAsValuesAndBlockedSectors) {
    std::vector<std::uint8_t> memory = defaultCard().dump();
    const Block value = mifare::encodeValueBlock({-1234, 5});
    std::copy(value.begin(), value.end(), memory.begin() + 5 * 16);
    // A trailer whose access bits disagree with their inverted copy blocks sector 2.
    memory[11 * 16 + 6] = 0x00;
    const MifareClassic card = *MifareClassic::fromDump(memory);
    EXPECT_EQ(blockMeaning(card, 5).substr(0, 26), "value -1234 (address 5); r");
    EXPECT_EQ(blockMeaning(card, 9), "sector blocked: malformed access bits");
    EXPECT_EQ(blockCharacters(card.block(0)), "........KKKKKKKK");
}

TEST(ReaderSnapshot, AWiegandFrameGoesOutForEachCardEnteringALiveField) {
    ReaderSnapshot before;
    before.cards.push_back(CardSlot{defaultCard(), false});
    before.cards.push_back(
        CardSlot{MifareClassic::makeDefault(CardKind::Classic1K, {1, 2, 3, 4}, 1), true});
    ReaderSnapshot after = before;
    after.cards[0].inField = true;
    EXPECT_TRUE(wiegandFramesBetween(before, after).empty()) << "the output is off";
    after.state.wiegandMode = 1;
    const auto frames = wiegandFramesBetween(before, after);
    ASSERT_EQ(frames.size(), 1U) << "the card already in the field sends nothing";
    EXPECT_EQ(frames[0].text(), wiegand26(defaultCard().uid()).text());
    after.state.rfOn = false;
    EXPECT_TRUE(wiegandFramesBetween(before, after).empty()) << "the field is off";
}

} // namespace
