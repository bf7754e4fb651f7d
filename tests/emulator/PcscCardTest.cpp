// The emulator as a card in a PC/SC reader: vpcd's framing, the storage-card commands on the
// MIFARE Classic model, and the --pcsc option. The ATR's bytes are mifare/'s (tests/mifare).
#include "emulator/host/Options.h"
#include "emulator/model/MifareClassic.h"
#include "emulator/pcsc/ApduResponder.h"
#include "emulator/pcsc/VpcdEndpoint.h"
#include "emulator/pcsc/VpcdFraming.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace kov450;
using namespace kov450::pcsc;
using Bytes = std::vector<std::uint8_t>;

constexpr Uid kUid{0xA1, 0xB2, 0xC3, 0xD4};

TEST(VpcdFraming, SplitsTheStreamIntoMessagesWhateverTheChunks) {
    VpcdDecoder decoder;
    const Bytes stream{0x00, 0x01, 0x04, 0x00, 0x05, 0xFF, 0xCA, 0x00, 0x00, 0x00, 0x00};
    std::vector<Bytes> messages;
    for (const std::uint8_t byte : stream) {
        for (auto& message : decoder.feed(Bytes{byte}).messages) {
            messages.push_back(message);
        }
    }
    ASSERT_EQ(messages.size(), 2U);
    EXPECT_EQ(messages[0], (Bytes{0x04}));
    EXPECT_EQ(messages[1], (Bytes{0xFF, 0xCA, 0x00, 0x00, 0x00}));
    // An empty message (length 0) too.
    EXPECT_EQ(decoder.feed(Bytes{0x00, 0x00}).messages.size(), 1U);
}

TEST(VpcdFraming, ALengthBeyondAnyCommandIsRefusedAndNothingIsHeld) {
    VpcdDecoder decoder;
    const auto decoded = decoder.feed(Bytes{0x04, 0x01, 0x00});
    EXPECT_TRUE(decoded.overlong);
    EXPECT_TRUE(decoded.messages.empty());
    EXPECT_EQ(vpcdMessage(Bytes{0x90, 0x00}), (Bytes{0x00, 0x02, 0x90, 0x00}));
}

class Responder : public ::testing::Test {
protected:
    MifareClassic card = MifareClassic::makeDefault(CardKind::Classic1K, kUid, 50);
    ApduResponder responder;

    void SetUp() override { ApduResponder::powerOn(card); }
    Bytes send(const Bytes& apdu) { return responder.respond(card, apdu).bytes; }
    Bytes loadDefaultKey(std::uint8_t location = 0) {
        return send({0xFF, 0x82, 0x00, location, 0x06, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D});
    }
    Bytes authenticate(std::uint8_t block, std::uint8_t type = 0x61, std::uint8_t location = 0) {
        return send({0xFF, 0x86, 0x00, 0x00, 0x05, 0x01, 0x00, block, type, location});
    }
    static Bytes sw(std::uint8_t sw1, std::uint8_t sw2) { return {sw1, sw2}; }
};

TEST_F(Responder, GivesTheUidAsLeAsksForIt) {
    const Bytes uid{0xA1, 0xB2, 0xC3, 0xD4};
    const auto withWord = [&](std::uint8_t sw1, std::uint8_t sw2) {
        Bytes answer = uid;
        answer.push_back(sw1);
        answer.push_back(sw2);
        return answer;
    };
    // Le 00 (or none) is the whole UID; Le shorter than it is told its length (6C 04); Le
    // longer gets the UID and the warning that it ended first (62 82).
    EXPECT_EQ(send({0xFF, 0xCA, 0x00, 0x00, 0x00}), withWord(0x90, 0x00));
    EXPECT_EQ(send({0xFF, 0xCA, 0x00, 0x00}), withWord(0x90, 0x00));
    EXPECT_EQ(send({0xFF, 0xCA, 0x00, 0x00, 0x04}), withWord(0x90, 0x00));
    EXPECT_EQ(send({0xFF, 0xCA, 0x00, 0x00, 0x01}), sw(0x6C, 0x04));
    EXPECT_EQ(send({0xFF, 0xCA, 0x00, 0x00, 0x03}), sw(0x6C, 0x04));
    EXPECT_EQ(send({0xFF, 0xCA, 0x00, 0x00, 0x05}), withWord(0x62, 0x82));
    EXPECT_EQ(send({0xFF, 0xCA, 0x00, 0x00, 0xFF}), withWord(0x62, 0x82));
    EXPECT_EQ(send({0xFF, 0xCA, 0x01, 0x00, 0x00}), sw(0x6A, 0x81));
    EXPECT_EQ(send({0xFF, 0xCA, 0x00, 0x01, 0x00}), sw(0x6B, 0x00));
    EXPECT_EQ(send({0xFF, 0xCA, 0x00, 0x00, 0x00, 0x00}), sw(0x67, 0x00));
}

TEST_F(Responder, ReadsAndWritesAnAuthenticatedBlock) {
    EXPECT_EQ(send({0xFF, 0xB0, 0x00, 0x04, 0x10}), sw(0x69, 0x82));
    EXPECT_EQ(loadDefaultKey(), sw(0x90, 0x00));
    EXPECT_EQ(authenticate(4), sw(0x90, 0x00));
    Bytes read = send({0xFF, 0xB0, 0x00, 0x04, 0x10});
    ASSERT_EQ(read.size(), 18U);
    EXPECT_EQ(read[0], 50);
    Bytes write{0xFF, 0xD6, 0x00, 0x04, 0x10};
    write.insert(write.end(), 16, 0);
    write[5] = 40;
    const auto answer = responder.respond(card, write);
    EXPECT_EQ(answer.bytes, sw(0x90, 0x00));
    EXPECT_TRUE(answer.memoryChanged);
    EXPECT_EQ(card.block(4)[0], 40);
    // Another sector is not authenticated; block 0 never changes.
    EXPECT_EQ(send({0xFF, 0xB0, 0x00, 0x08, 0x10}), sw(0x69, 0x82));
    EXPECT_EQ(authenticate(0), sw(0x90, 0x00));
    write[3] = 0x00;
    EXPECT_EQ(send(write), sw(0x69, 0x86));
    EXPECT_EQ(card.block(0)[0], 0xA1);
}

TEST_F(Responder, AWrongKeyIsRefusedAndTheOlderAuthenticateWorksToo) {
    EXPECT_EQ(send({0xFF, 0x82, 0x00, 0x01, 0x06, 1, 2, 3, 4, 5, 6}), sw(0x90, 0x00));
    EXPECT_EQ(authenticate(4, 0x61, 0x01), sw(0x63, 0x00));
    EXPECT_EQ(loadDefaultKey(), sw(0x90, 0x00));
    EXPECT_EQ(send({0xFF, 0x88, 0x00, 0x04, 0x60, 0x00}), sw(0x90, 0x00));
    EXPECT_EQ(send({0xFF, 0xB0, 0x00, 0x04, 0x10}).size(), 18U);
}

TEST_F(Responder, KeepsNoKeyBeyondItsVolatileLocations) {
    // Load Keys' own words: no non-volatile memory, no reader keys, no secured transmission,
    // a key of 6 bytes, key numbers 00 and 01.
    EXPECT_EQ(send({0xFF, 0x82, 0x20, 0x01, 0x06, 1, 2, 3, 4, 5, 6}), sw(0x69, 0x87));
    EXPECT_EQ(send({0xFF, 0x82, 0x80, 0x01, 0x06, 1, 2, 3, 4, 5, 6}), sw(0x69, 0x83));
    EXPECT_EQ(send({0xFF, 0x82, 0x40, 0x01, 0x06, 1, 2, 3, 4, 5, 6}), sw(0x69, 0x85));
    EXPECT_EQ(send({0xFF, 0x82, 0x01, 0x01, 0x06, 1, 2, 3, 4, 5, 6}), sw(0x6B, 0x00));
    EXPECT_EQ(send({0xFF, 0x82, 0x00, 0x00, 0x05, 1, 2, 3, 4, 5}), sw(0x69, 0x89));
    EXPECT_EQ(send({0xFF, 0x82, 0x00, 0x00, 0x06, 1, 2, 3, 4, 5}), sw(0x67, 0x00));
    EXPECT_EQ(send({0xFF, 0x82, 0x00, 0x02, 0x06, 1, 2, 3, 4, 5, 6}), sw(0x69, 0x88));
    EXPECT_EQ(authenticate(4, 0x61, 0x02), sw(0x69, 0x88));
    EXPECT_EQ(authenticate(4, 0x62), sw(0x69, 0x86));
}

TEST_F(Responder, RefusesWhatIsNoStorageCardCommand) {
    EXPECT_EQ(send({0x00, 0xA4, 0x04, 0x00}), sw(0x6E, 0x00));
    EXPECT_EQ(send({0xFF, 0x00, 0x00, 0x00}), sw(0x6D, 0x00));
    EXPECT_EQ(send({0xFF, 0xB0}), sw(0x67, 0x00));
    EXPECT_EQ(send({0xFF, 0xD6, 0x00, 0x04, 0x10, 0x00}), sw(0x67, 0x00));
    EXPECT_EQ(loadDefaultKey(), sw(0x90, 0x00));
    // General Authenticate has no word for a block beyond the card: nothing was authenticated.
    EXPECT_EQ(authenticate(200), sw(0x63, 0x00));
    EXPECT_EQ(send({0xFF, 0x86, 0x00, 0x00, 0x05, 0x01, 0x01, 0x00, 0x60, 0x00}), sw(0x63, 0x00));
    EXPECT_EQ(send({0xFF, 0xB0, 0x00, 0x04, 0x10}), sw(0x69, 0x82));
}

TEST(VpcdEndpoints, ParseHostAndPort) {
    EXPECT_EQ(parseVpcdEndpoint("127.0.0.1:35963"), (VpcdEndpoint{"127.0.0.1", 35963}));
    EXPECT_EQ(parseVpcdEndpoint("[::1]:4000"), (VpcdEndpoint{"::1", 4000}));
    EXPECT_EQ(describe(VpcdEndpoint{"::1", 4000}), "[::1]:4000");
    EXPECT_FALSE(parseVpcdEndpoint("localhost"));
    EXPECT_FALSE(parseVpcdEndpoint(":35963"));
    EXPECT_FALSE(parseVpcdEndpoint("host:0"));
    EXPECT_FALSE(parseVpcdEndpoint("host:70000"));
}

TEST(PcscOption, TakesAnOptionalEndpoint) {
    auto parsed = parseOptions({"--pcsc"});
    ASSERT_TRUE(std::holds_alternative<Options>(parsed));
    EXPECT_EQ(std::get<Options>(parsed).pcsc, (VpcdEndpoint{"127.0.0.1", 35963}));
    parsed = parseOptions({"--pcsc", "127.0.0.2:4000", "--headless"});
    ASSERT_TRUE(std::holds_alternative<Options>(parsed));
    EXPECT_EQ(std::get<Options>(parsed).pcsc, (VpcdEndpoint{"127.0.0.2", 4000}));
    EXPECT_TRUE(std::get<Options>(parsed).headless);
    EXPECT_FALSE(std::get<Options>(parseOptions({})).pcsc);
    EXPECT_TRUE(std::holds_alternative<std::string>(parseOptions({"--pcsc", "nowhere"})));
}

} // namespace
