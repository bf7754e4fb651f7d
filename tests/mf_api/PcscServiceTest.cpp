// Port pcsc and the PC/SC service itself: finding the reader, another program holding it,
// pcscd dying under a call and coming back.
#include "pcsc/PcscSession.h"

#include <MF_API.h>

#include <winscard.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

using namespace std::chrono_literals;

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using testing_support::PcscWatch;

const Bytes kDefaultKey{0x7D, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D};

class PcscService : public testing_support::PcscTest {
protected:
    void readCredit(std::uint8_t expected) {
        Bytes type(3);
        Bytes serial(4);
        Bytes data(16);
        ASSERT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_OK);
        ASSERT_EQ(MF_Anticoll(0, serial.data()), MF_OK);
        ASSERT_EQ(MF_Select(0, serial.data()), MF_OK);
        ASSERT_EQ(MF_LoadKey(0, kDefaultKey.data()), MF_OK);
        ASSERT_EQ(MF_Authentication(0, MF_KEY_B, 4, serial.data()), MF_OK);
        ASSERT_EQ(MF_Read(0, 4, 1, data.data()), MF_OK);
        EXPECT_EQ(data[0], expected);
    }
};

TEST_F(PcscService, ReadersAreFoundByNameAndTheLineSpeedIsIgnored) {
    EXPECT_EQ(MF_InitComm("pcsc:NO SUCH READER", 9600), MF_ERR_NO_SUCH_PORT);
    ASSERT_EQ(MF_InitComm("PCSC:vIRTUAL pcd", 1234), MF_OK);
    EXPECT_EQ(MF_InitComm("pcsc", 9600), MF_ERR_PORT_BUSY); // one port per process
    readCredit(50);
}

TEST_F(PcscService, AnAliasFileInThePortFolderLeadsToTheReader) {
    {
        std::ofstream alias(ports_.path() / "Reader");
        alias << "pcsc:Virtual PCD\n";
    }
    std::filesystem::permissions(ports_.path() / "Reader", std::filesystem::perms(0600));
    ASSERT_EQ(MF_InitComm("READER", 9600), MF_OK);
    readCredit(50);
}

TEST_F(PcscService, AReaderHeldExclusivelyByAnotherProgramIsBusy) {
    SCARDCONTEXT context = 0;
    ASSERT_EQ(SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context),
              SCARD_S_SUCCESS);
    const auto readers = PcscWatch::readers();
    ASSERT_FALSE(readers.empty());
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    ASSERT_EQ(SCardConnect(context, readers.front().c_str(), SCARD_SHARE_EXCLUSIVE,
                           SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card, &protocol),
              SCARD_S_SUCCESS);
    EXPECT_EQ(MF_InitComm("pcsc", 9600), MF_ERR_PORT_BUSY);
    SCardDisconnect(card, SCARD_LEAVE_CARD);
    SCardReleaseContext(context);
    ASSERT_EQ(MF_InitComm("pcsc", 9600), MF_OK);
    readCredit(50);
}

TEST_F(PcscService, PcscdKilledMidRunIsDeviceGoneThenNoServiceUntilItIsBack) {
    ASSERT_EQ(MF_InitComm("pcsc", 9600), MF_OK);
    readCredit(50);
    stopPcscd(SIGKILL);
    Bytes data(16, 0xEE);
    const auto start = Clock::now();
    EXPECT_EQ(MF_Read(0, 4, 1, data.data()), MF_ERR_DEVICE_GONE);
    EXPECT_LT(Clock::now() - start, 2s);
    EXPECT_EQ(data, Bytes(16, 0xEE));
    // The port closed with it.
    EXPECT_EQ(MF_Read(0, 4, 1, data.data()), MF_ERR_NOT_OPEN);
    EXPECT_EQ(MF_InitComm("pcsc", 9600), MF_ERR_NO_SERVICE);

    startPcscd();
    // The emulator finds vpcd again at its next look at the field.
    ASSERT_TRUE(PcscWatch::waitForCard(kReader, true, 10s)) << emulator_->transcript();
    ASSERT_EQ(MF_InitComm("pcsc", 9600), MF_OK);
    readCredit(50);
}

TEST_F(PcscService, EveryCallReturnsAtOnceWhenNoCardIsThere) {
    ASSERT_EQ(MF_InitComm("pcsc", 9600), MF_OK);
    takeAway("1");
    Bytes type(3, 0xEE);
    Bytes serial(4);
    const auto start = Clock::now();
    EXPECT_EQ(MF_Request(0, MF_REQUEST_ALL, type.data()), MF_ERR_NO_CARD);
    EXPECT_EQ(type, (Bytes{0, 0, 0}));
    EXPECT_EQ(MF_Anticoll(0, serial.data()), MF_ERR_NO_CARD);
    EXPECT_EQ(MF_Select(0, serial.data()), MF_ERR_NOT_SELECTED);
    EXPECT_LT(Clock::now() - start, 1s);
}

TEST_F(PcscService, TheEmulatorSaysItServesTheCardOverPcsc) {
    // Its start-up line and the card it connected say so.
    EXPECT_NE(emulator_->transcript().find("served over PC/SC to vpcd at 127.0.0.1:35963"),
              std::string::npos)
        << emulator_->transcript();
    takeAway("1");
    EXPECT_NE(emulator_->transcript().find("pcsc: card A1B2C3D4 left the field"), std::string::npos)
        << emulator_->transcript();
}

} // namespace
