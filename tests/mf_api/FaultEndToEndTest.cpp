// Each fault kov450-emu can put on the line, against our MF_API over a real pty: the call returns
// its documented status within a bounded time, the library stays usable where the reader does,
// and the card holds either its old or its new content, never anything else.
#include "e2e/LibrarySteps.h"

#include <MF_API.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

using testing_support::kDefaultKey;
using testing_support::openSector;
// The library waits the wire time of the longest answer plus the fixture's margin of 1 s; a
// call that takes longer than this is a hang.
constexpr auto kBound = 3s;

class FaultEndToEnd : public testing_support::OpenPortTest {
protected:
    /// The status of one MF_GetDeviceAddr, checked to come back in bounded time and to leave
    /// the caller's byte alone when it fails.
    std::int32_t timedGetAddress() {
        std::uint8_t address = 0xEE;
        const auto start = Clock::now();
        const std::int32_t status = MF_GetDeviceAddr(0, &address);
        EXPECT_LT(Clock::now() - start, kBound);
        if (status != MF_OK) {
            EXPECT_EQ(address, 0xEE);
        }
        return status;
    }

    /// Block 4 of the default card as the emulator holds it, through its console.
    std::string blockOnCard(int block) {
        emulator_->writeLine("show A1B2C3D4 1");
        const auto line = emulator_->waitForLine("  block " + std::to_string(block) + ": ", 5s);
        EXPECT_TRUE(line) << emulator_->transcript();
        return line ? line->substr(line->find(": ") + 2) : std::string{};
    }
};

TEST_F(FaultEndToEnd, ADroppedAnswerIsATimeoutAndTheNextCallWorks) {
    console("drop", "the next answer is lost");
    EXPECT_EQ(timedGetAddress(), MF_ERR_TIMEOUT);
    expectOutput("fault: an answer was dropped");
    EXPECT_EQ(timedGetAddress(), MF_OK);
}

TEST_F(FaultEndToEnd, ACorruptedByteIsABadFrameAndTheNextCallWorks) {
    console("corrupt", "broken CRC");
    EXPECT_EQ(timedGetAddress(), MF_ERR_BAD_FRAME);
    EXPECT_EQ(timedGetAddress(), MF_OK);
}

TEST_F(FaultEndToEnd, AnAnswerLatePastTheTimeoutIsATimeoutAndIsNotTakenForTheNext) {
    console("delay 1500", "1500 ms late");
    EXPECT_EQ(timedGetAddress(), MF_ERR_TIMEOUT);
    // The late answer to the address arrives during this call and must not pass for its own.
    Bytes version(40, 0);
    EXPECT_EQ(MF_GetDevice_Ver(0, version.data()), MF_OK);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(version.data())),
              "KOV450 emulated reader 1.0");
}

TEST_F(FaultEndToEnd, AReaderThatStopsAnsweringGivesTimeoutsUntilItAnswersAgain) {
    console("mute on", "answers nothing");
    EXPECT_EQ(timedGetAddress(), MF_ERR_TIMEOUT);
    EXPECT_EQ(timedGetAddress(), MF_ERR_TIMEOUT);
    console("mute off", "answers again");
    EXPECT_EQ(timedGetAddress(), MF_OK);
}

TEST_F(FaultEndToEnd, AVanishedReaderIsDeviceGoneThenNotOpenAndItsNamesAreGone) {
    console("vanish", "the pty is closed");
    EXPECT_EQ(timedGetAddress(), MF_ERR_DEVICE_GONE);
    EXPECT_EQ(timedGetAddress(), MF_ERR_NOT_OPEN);
    // Its port names go with it (COM1 would otherwise fall back to /dev/ttyS0).
    for (const char* name : {"COM1", "USB"}) {
        EXPECT_FALSE(std::filesystem::is_symlink(ports_.path() / name)) << name;
    }
    console("cards", "A1B2C3D4"); // the emulator itself lives on
}

TEST_F(FaultEndToEnd, AnswersAtTheWrongLineSpeedAreNeverTakenForAnswers) {
    console("wrongspeed on", "wrong line speed");
    for (int call = 0; call < 3; ++call) {
        const std::int32_t status = timedGetAddress();
        EXPECT_TRUE(status == MF_ERR_TIMEOUT || status == MF_ERR_BAD_FRAME) << status;
    }
    console("wrongspeed off", "at the line speed");
    EXPECT_EQ(timedGetAddress(), MF_OK);
}

TEST_F(FaultEndToEnd, ACardPulledBetweenReadAndWriteKeepsItsCredit) {
    openSector();
    console("pull", "after the next read");
    Bytes data(16, 0);
    ASSERT_EQ(MF_Read(0, 4, 1, data.data()), MF_OK);
    EXPECT_EQ(data[0], 50);
    expectOutput("fault: after the read");
    data[0] = 40;
    EXPECT_EQ(MF_Write(0, 4, 1, data.data()), MF_ERR_CARD_NO_ANSWER);
    console("cards", "credit 50");
}

TEST_F(FaultEndToEnd, ATornWriteKeepsTheBlockInFlightAndWritesOnlyTheWholeOnesBeforeIt) {
    openSector();
    const std::string block4 = blockOnCard(4);
    const std::string block5 = blockOnCard(5);
    ASSERT_EQ(block4.substr(0, 2), "32"); // the credit of 50

    console("tear 1", "after 1 block");
    Bytes data(32, 0x11);
    data[0] = 40;
    EXPECT_EQ(MF_Write(0, 4, 2, data.data()), MF_ERR_CARD_NO_ANSWER);
    expectOutput("fault: power lost during a write after 1 block(s)");
    EXPECT_EQ(blockOnCard(4), "28" + std::string(30, '1'));
    EXPECT_EQ(blockOnCard(5), block5);

    // The card lost power and left the field; back in it, a torn single block stays as it was.
    console("present A1B2C3D4", "A1B2C3D4");
    openSector();
    console("tear", "after 0 block");
    data[0] = 30;
    EXPECT_EQ(MF_Write(0, 4, 1, data.data()), MF_ERR_CARD_NO_ANSWER);
    console("cards", "credit 40");
}

} // namespace
