// Port pcsc and the PC/SC service itself: finding the reader, another program holding it,
// pcscd dying under a call and coming back, and calls that get no answer.
#include "e2e/LibrarySteps.h"
#include "pcsc/PcscSession.h"
#include "pcsc/VpcdCard.h"

#include <MF_API.h>

#include <winscard.h>

#include <array>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using testing_support::openSector;
using testing_support::PcscWatch;
using testing_support::VpcdCard;

// A call that gets no answer returns after its deadline, the answer margin (250 ms) and the
// service's turnaround (2 s); this bound leaves room for a loaded machine under ASan. Without
// a deadline the call never returns.
constexpr auto kBound = 15s;

/// A process stopped (SIGSTOP) until the end of the scope.
class StoppedUntilTheEnd {
public:
    explicit StoppedUntilTheEnd(testing_support::ChildProcess& process) : process_(process) {
        process_.signal(SIGSTOP);
    }
    ~StoppedUntilTheEnd() { process_.signal(SIGCONT); }
    StoppedUntilTheEnd(const StoppedUntilTheEnd&) = delete;
    StoppedUntilTheEnd& operator=(const StoppedUntilTheEnd&) = delete;

private:
    testing_support::ChildProcess& process_;
};

class PcscService : public testing_support::PcscTest {
protected:
    void readCredit(std::uint8_t expected) {
        ASSERT_NO_FATAL_FAILURE(openSector());
        Bytes data(16);
        ASSERT_EQ(MF_Read(0, 4, 1, data.data()), MF_OK);
        EXPECT_EQ(data[0], expected);
    }

    /// Runs `call` on a thread of its own, so that a call that never returns fails the test
    /// instead of hanging it: what it waits on (a card, pcscd) must be let go after the future.
    template <typename Call> static std::future<std::int32_t> inBackground(Call call) {
        return std::async(std::launch::async, call);
    }
    static bool returnsWithin(const std::future<std::int32_t>& call,
                              std::chrono::milliseconds bound) {
        return call.wait_for(bound) == std::future_status::ready;
    }
    static std::int32_t readBlockFour() {
        Bytes data(16);
        return MF_Read(0, 4, 1, data.data());
    }

    /// Opens `pcsc` until the reader is no longer held: a call left behind holds it a little
    /// longer, until the service answers it, and the reader is busy (9) meanwhile.
    static bool openedWithin(std::chrono::milliseconds bound) {
        const auto deadline = Clock::now() + bound;
        std::int32_t status = MF_InitComm("pcsc", 9600);
        while (status == MF_ERR_PORT_BUSY && Clock::now() < deadline) {
            std::this_thread::sleep_for(50ms);
            status = MF_InitComm("pcsc", 9600);
        }
        return status == MF_OK;
    }

    /// Asks for a card until one is served: a call left behind may hold the card a little
    /// longer, until the service answers it.
    static bool requestServedWithin(std::chrono::milliseconds bound) {
        const auto deadline = Clock::now() + bound;
        Bytes type(3);
        while (MF_Request(0, MF_REQUEST_IDLE, type.data()) != MF_OK) {
            if (Clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(50ms);
        }
        return true;
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

TEST_F(PcscService, ACardThatStopsAnsweringCostsOneDeadlineAndItsSession) {
    for (const auto fault : {VpcdCard::Fault::Silent, VpcdCard::Fault::EmptyAnswer}) {
        SCOPED_TRACE(fault == VpcdCard::Fault::Silent ? "a silent card" : "an empty answer");
        ASSERT_EQ(MF_InitComm("pcsc", 9600), MF_OK);
        takeAway("1");
        {
            std::future<std::int32_t> read;
            VpcdCard card(fault); // let go before the read, freeing it should it still wait
            ASSERT_TRUE(card.connected());
            ASSERT_TRUE(PcscWatch::waitForCard(kReader, true, 10s)) << pcscdLog();
            ASSERT_NO_FATAL_FAILURE(openSector());
            read = inBackground(readBlockFour);
            ASSERT_TRUE(returnsWithin(read, kBound)) << "MF_Read still waits for the card";
            EXPECT_EQ(read.get(), MF_ERR_TIMEOUT);
            // The card was dropped with its session: no read reaches it without a request.
            EXPECT_EQ(readBlockFour(), MF_ERR_NOT_SELECTED);
            EXPECT_EQ(card.reads(), 1U);
        }
        // A card that answers is served again after a request.
        present("1");
        ASSERT_TRUE(requestServedWithin(kBound));
        ASSERT_NO_FATAL_FAILURE(readCredit(50));
        takeAway("1");
        {
            std::future<std::int32_t> read;
            std::future<std::int32_t> exit;
            VpcdCard card(fault);
            ASSERT_TRUE(card.connected());
            ASSERT_TRUE(PcscWatch::waitForCard(kReader, true, 10s)) << pcscdLog();
            ASSERT_NO_FATAL_FAILURE(openSector());
            read = inBackground(readBlockFour);
            ASSERT_TRUE(card.waitForReads(1, kBound));
            // Closing the port from another thread waits for the stuck read's deadline only.
            exit = inBackground(MF_ExitComm);
            ASSERT_TRUE(returnsWithin(exit, kBound)) << "MF_ExitComm waits for the card";
            EXPECT_EQ(exit.get(), MF_OK);
            ASSERT_TRUE(returnsWithin(read, kBound));
            EXPECT_EQ(read.get(), MF_ERR_TIMEOUT);
        }
        present("1");
    }
}

TEST_F(PcscService, PcscFollowsACardToAnyContactlessReaderAndPcscTextStaysWithItsReader) {
    // vpcd opens a second reader, "Virtual PCD 00 01", on the next port: a second emulator
    // serves a card of its own there.
    const testing_support::TempFolder secondState;
    const testing_support::TempFolder secondPorts;
    testing_support::ChildProcess second({KOV450_EMU_PATH, "--headless", "--no-card", "--state",
                                          secondState.path().string(), "--pcsc", "127.0.0.1:35964"},
                                         {{"MF_API_PORTS", secondPorts.path().string()},
                                          {"XDG_STATE_HOME", secondState.path().string()}});
    ASSERT_TRUE(second.waitForLine("ready:", 10s)) << second.transcript();
    ASSERT_TRUE(testing_support::consoleReplies(second, "create 1k 11223344 10", "created card 1"));
    ASSERT_TRUE(PcscWatch::waitForReader("Virtual PCD 00 01", 10s)) << pcscdLog();

    ASSERT_EQ(MF_InitComm("pcsc", 9600), MF_OK);
    Bytes type(3);
    Bytes serial(4);
    ASSERT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_OK);
    ASSERT_EQ(MF_Anticoll(0, serial.data()), MF_OK);
    EXPECT_EQ(serial, (Bytes{0xA1, 0xB2, 0xC3, 0xD4}));
    takeAway("1");
    EXPECT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_ERR_NO_CARD);
    // The card is laid on the other reader: the next request finds it there.
    ASSERT_TRUE(testing_support::consoleReplies(second, "present 1", "served over PC/SC"));
    ASSERT_TRUE(PcscWatch::waitForCard("Virtual PCD 00 01", true, 10s)) << pcscdLog();
    ASSERT_NO_FATAL_FAILURE(readCredit(10));
    EXPECT_EQ(MF_Anticoll(0, serial.data()), MF_OK);
    EXPECT_EQ(serial, (Bytes{0x11, 0x22, 0x33, 0x44}));
    std::array<char, 33> version{};
    ASSERT_EQ(MF_GetDevice_Ver(0, reinterpret_cast<std::uint8_t*>(version.data())), MF_OK);
    EXPECT_STREQ(version.data(), "Virtual PCD 00 01");
    ASSERT_EQ(MF_ExitComm(), MF_OK);

    // A port that names its reader stays with it, while a card lies on another one.
    ASSERT_EQ(MF_InitComm("pcsc:Virtual PCD 00 00", 9600), MF_OK);
    EXPECT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_ERR_NO_CARD);
    EXPECT_EQ(MF_Request(0, MF_REQUEST_ALL, type.data()), MF_ERR_NO_CARD);
    present("1");
    ASSERT_NO_FATAL_FAILURE(readCredit(50));
}

TEST_F(PcscService, AReaderThatRefusesWithSecurityStatusNotSatisfiedGivesAccessDenied) {
    // The sector is authenticated (the card said 90 00), so 69 82 to the read is the card's
    // access conditions refusing it, as the emulator's 69 86 is: 5, and the card's session ends.
    ASSERT_EQ(MF_InitComm("pcsc", 9600), MF_OK);
    takeAway("1");
    VpcdCard card(VpcdCard::Fault::SecurityNotSatisfied);
    ASSERT_TRUE(card.connected());
    ASSERT_TRUE(PcscWatch::waitForCard(kReader, true, 10s)) << pcscdLog();
    ASSERT_NO_FATAL_FAILURE(openSector());
    EXPECT_EQ(readBlockFour(), MF_ERR_ACCESS_DENIED);
    EXPECT_EQ(readBlockFour(), MF_ERR_NOT_SELECTED);
    EXPECT_EQ(card.reads(), 1U);
}

TEST_F(PcscService, AStoppedPcscdCostsEachCallOneDeadline) {
    ASSERT_EQ(MF_InitComm("pcsc", 9600), MF_OK);
    ASSERT_NO_FATAL_FAILURE(readCredit(50));
    {
        std::future<std::int32_t> exit;
        std::future<std::int32_t> open;
        const StoppedUntilTheEnd stopped(*pcscd_); // goes on before the calls are waited for
        // Letting go of the card and the context, then a new context: none of them is answered.
        exit = inBackground(MF_ExitComm);
        ASSERT_TRUE(returnsWithin(exit, kBound)) << "MF_ExitComm waits for pcscd";
        EXPECT_EQ(exit.get(), MF_OK);
        open = inBackground([] { return MF_InitComm("pcsc", 9600); });
        ASSERT_TRUE(returnsWithin(open, kBound)) << "MF_InitComm waits for pcscd";
        EXPECT_EQ(open.get(), MF_ERR_TIMEOUT);
    }
    ASSERT_TRUE(openedWithin(kBound));
    ASSERT_TRUE(requestServedWithin(kBound));
    ASSERT_NO_FATAL_FAILURE(readCredit(50));
}

} // namespace
