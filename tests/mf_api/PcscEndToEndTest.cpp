// Our library on port pcsc against a real pcscd, with kov450-emu's card in vpcd's reader: what
// tagbench's purchase and tagpoll do, and what goes wrong on the way.
#include "pcsc/PcscSession.h"

#include <MF_API.h>

#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

using namespace std::chrono_literals;

using Bytes = std::vector<std::uint8_t>;
using testing_support::PcscWatch;

const Bytes kDefaultKey{0x7D, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D};
const Bytes kCardA{0xA1, 0xB2, 0xC3, 0xD4};

class PcscCards : public testing_support::PcscTest {
protected:
    void SetUp() override {
        PcscTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        ASSERT_EQ(MF_InitComm("pcsc", 9600), MF_OK);
    }

    /// Request, anticollision, select, load key 7D x 6, authenticate with key type 0.
    Bytes openSector(std::int32_t block = 4, const Bytes& key = kDefaultKey) {
        Bytes type(3);
        Bytes serial(4);
        EXPECT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_OK);
        EXPECT_EQ(type, (Bytes{0x04, 0x00, 0x08}));
        EXPECT_EQ(MF_Anticoll(0, serial.data()), MF_OK);
        EXPECT_EQ(MF_Select(0, serial.data()), MF_OK);
        EXPECT_EQ(MF_LoadKey(0, key.data()), MF_OK);
        EXPECT_EQ(MF_Authentication(0, MF_KEY_B, block, serial.data()), MF_OK);
        return serial;
    }

    Bytes readBlock(std::int32_t block) {
        Bytes data(16, 0xEE);
        EXPECT_EQ(MF_Read(0, block, 1, data.data()), MF_OK);
        return data;
    }
};

TEST_F(PcscCards, APurchaseReadsAndWritesTheCreditInBlockFour) {
    EXPECT_EQ(openSector(), kCardA);
    Bytes block = readBlock(4);
    EXPECT_EQ(block[0], 50);
    block[0] = 40;
    EXPECT_EQ(MF_Write(0, 4, 1, block.data()), MF_OK);
    EXPECT_EQ(readBlock(4), block);
    console("cards", "credit 40");
}

TEST_F(PcscCards, TwoCardsPresentedInTurnAreEachSeen) {
    console("create 1k 11223344 10", "created card 2");
    Bytes type(3, 0xEE);
    Bytes serial(4);
    ASSERT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_OK);
    ASSERT_EQ(MF_Anticoll(0, serial.data()), MF_OK);
    EXPECT_EQ(serial, kCardA);

    takeAway("1");
    type.assign(3, 0xEE);
    EXPECT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_ERR_NO_CARD);
    EXPECT_EQ(type, (Bytes{0, 0, 0}));

    present("2");
    ASSERT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_OK);
    ASSERT_EQ(MF_Anticoll(0, serial.data()), MF_OK);
    EXPECT_EQ(serial, (Bytes{0x11, 0x22, 0x33, 0x44}));
    // The first card's UID selects nothing now.
    EXPECT_EQ(MF_Select(0, kCardA.data()), MF_ERR_NOT_SELECTED);
}

TEST_F(PcscCards, AWrongKeyIsRefusedAndTheRightOneOpensTheSectorAfterARequest) {
    Bytes type(3);
    Bytes serial(4);
    ASSERT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_OK);
    ASSERT_EQ(MF_Anticoll(0, serial.data()), MF_OK);
    ASSERT_EQ(MF_Select(0, serial.data()), MF_OK);
    const Bytes wrong{1, 2, 3, 4, 5, 6};
    ASSERT_EQ(MF_LoadKey(0, wrong.data()), MF_OK);
    EXPECT_EQ(MF_Authentication(0, MF_KEY_B, 4, serial.data()), MF_ERR_AUTH_FAILED);
    Bytes data(16);
    EXPECT_EQ(MF_Read(0, 4, 1, data.data()), MF_ERR_NOT_SELECTED);
    openSector();
    EXPECT_EQ(readBlock(4)[0], 50);
}

TEST_F(PcscCards, ACardTakenAwayBeforeTheWriteKeepsItsCredit) {
    openSector();
    Bytes block = readBlock(4);
    ASSERT_EQ(block[0], 50);
    console("remove 1", "no card for vpcd");
    block[0] = 40;
    EXPECT_EQ(MF_Write(0, 4, 1, block.data()), MF_ERR_CARD_NO_ANSWER);
    ASSERT_TRUE(PcscWatch::waitForCard(kReader, false, 5s)) << pcscdLog();
    present("1");
    openSector();
    EXPECT_EQ(readBlock(4)[0], 50);
    console("cards", "credit 50");
}

TEST_F(PcscCards, AHaltedCardAnswersOnlyAWakeUpUntilItLeavesTheField) {
    openSector();
    ASSERT_EQ(MF_Halt(0), MF_OK);
    Bytes type(3);
    EXPECT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_ERR_NO_CARD);
    EXPECT_EQ(MF_Request(0, MF_REQUEST_ALL, type.data()), MF_OK);
    ASSERT_EQ(MF_Halt(0), MF_ERR_NOT_SELECTED); // a request selects nothing
    openSector();
    ASSERT_EQ(MF_Halt(0), MF_OK);
    takeAway("1");
    present("1");
    EXPECT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_OK);
}

TEST_F(PcscCards, ValueOperationsNeedAValueBlockAndWriteOnlyOnTransfer) {
    openSector(5);
    // Block 5 becomes a value block of 100 (address byte 5).
    const Bytes value100{0x64, 0, 0, 0, 0x9B, 0xFF, 0xFF, 0xFF, 0x64, 0, 0, 0, 5, 0xFA, 5, 0xFA};
    ASSERT_EQ(MF_Write(0, 5, 1, value100.data()), MF_OK);
    const std::int32_t ten = 10;
    EXPECT_EQ(MF_Value(0, MF_VALUE_DECREMENT, 5, &ten), MF_OK);
    EXPECT_EQ(readBlock(5), value100); // nothing written before the transfer
    EXPECT_EQ(MF_transfer(0, 5), MF_OK);
    const Bytes value90{0x5A, 0, 0, 0, 0xA5, 0xFF, 0xFF, 0xFF, 0x5A, 0, 0, 0, 5, 0xFA, 5, 0xFA};
    EXPECT_EQ(readBlock(5), value90);

    // Block 4 holds the credit, no value block: refused, and nothing to transfer.
    const Bytes credit = readBlock(4);
    EXPECT_EQ(MF_Value(0, MF_VALUE_DECREMENT, 4, &ten), MF_ERR_NOT_VALUE_BLOCK);
    EXPECT_EQ(MF_transfer(0, 4), MF_ERR_NO_VALUE_PENDING);
    EXPECT_EQ(readBlock(4), credit);
}

TEST_F(PcscCards, TheKeyStoreLivesInAPrivateFileWhenTheReaderKeepsNoKeys) {
    // With no card connected, then with one: vpcd's reader keeps no keys, so both go to the file.
    ASSERT_EQ(MF_StoreKeyToEE(0, MF_KEY_B, 5, kDefaultKey.data()), MF_OK);
    const auto file = state_.path() / "mf_api" / "pcsc-keys";
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0) << file;
    EXPECT_EQ(info.st_mode & 07777, 0600U);
    Bytes type(3);
    ASSERT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_OK);
    ASSERT_EQ(MF_StoreKeyToEE(0, MF_KEY_A, 15, kDefaultKey.data()), MF_OK);
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600U);

    Bytes serial(4);
    ASSERT_EQ(MF_Anticoll(0, serial.data()), MF_OK);
    ASSERT_EQ(MF_Select(0, serial.data()), MF_OK);
    const Bytes wrong{1, 2, 3, 4, 5, 6};
    ASSERT_EQ(MF_LoadKey(0, wrong.data()), MF_OK);
    ASSERT_EQ(MF_LoadKeyFromEE(0, MF_KEY_B, 5), MF_OK);
    EXPECT_EQ(MF_Authentication(0, MF_KEY_B, 4, serial.data()), MF_OK);
    // A slot never stored holds the factory key, which opens nothing here.
    ASSERT_EQ(MF_LoadKeyFromEE(0, MF_KEY_B, 6), MF_OK);
    EXPECT_EQ(MF_Authentication(0, MF_KEY_B, 4, serial.data()), MF_ERR_AUTH_FAILED);
    EXPECT_EQ(MF_LoadKeyFromEE(0, MF_KEY_B, 16), MF_ERR_BAD_PARAMETER);
}

TEST_F(PcscCards, TheReaderFunctionsAPcscReaderLacksAnswerUnknownCommand) {
    const std::int16_t duration = 10;
    EXPECT_EQ(MF_SetDeviceAddr(0, 1), MF_ERR_UNKNOWN_COMMAND);
    EXPECT_EQ(MF_SetDeviceBaud(0, 19200), MF_ERR_UNKNOWN_COMMAND);
    EXPECT_EQ(MF_SetDeviceSNR(0, "12345678"), MF_ERR_UNKNOWN_COMMAND);
    EXPECT_EQ(MF_DeviceReset(0), MF_ERR_UNKNOWN_COMMAND);
    EXPECT_EQ(MF_ControlBuzzer(0, &duration), MF_ERR_UNKNOWN_COMMAND);
    EXPECT_EQ(MF_ControlLED(0, 1, 0), MF_ERR_UNKNOWN_COMMAND);
    EXPECT_EQ(MF_SetRF_ON(0), MF_ERR_UNKNOWN_COMMAND);
    EXPECT_EQ(MF_SetRF_OFF(0), MF_ERR_UNKNOWN_COMMAND);
    EXPECT_EQ(MF_SetWiegandMode(0, 1, 0), MF_ERR_UNKNOWN_COMMAND);
    // vpcd gives no serial number of its own.
    Bytes serial(8, 0xEE);
    EXPECT_EQ(MF_GetDeviceSNR(0, serial.data()), MF_ERR_UNKNOWN_COMMAND);
    EXPECT_EQ(serial, Bytes(8, 0xEE));

    std::uint8_t address = 0xEE;
    EXPECT_EQ(MF_GetDeviceAddr(0, &address), MF_OK);
    EXPECT_EQ(address, 0);
    std::array<std::uint8_t, 33> version{};
    ASSERT_EQ(MF_GetDevice_Ver(0, version.data()), MF_OK);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(version.data())).rfind("Virtual PCD", 0),
              0U);
    // The card still works after all that.
    openSector();
}

} // namespace
