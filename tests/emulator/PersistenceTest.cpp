// The emulator's state folder seen through our MF_API: what a reader keeps across a restart, and
// what a kill in the middle of a burst of writes leaves behind.
#include "e2e/LibrarySteps.h"

#include <MF_API.h>

#include <array>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

using testing_support::kDefaultKey;
using testing_support::openSector;

/// Blocks 4 to 6 filled with one number, twelve times over.
Bytes numbered(std::uint32_t number) {
    Bytes bytes;
    for (int copy = 0; copy < 12; ++copy) {
        for (unsigned shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<std::uint8_t>(number >> shift));
        }
    }
    return bytes;
}

class Persistence : public testing_support::EmulatorTest {
protected:
    void killAndRestart() {
        emulator_->signal(SIGKILL);
        ASSERT_TRUE(emulator_->wait(5s));
        startEmulator({});
    }
};

TEST_F(Persistence, SettingsCardsAndLineSpeedOutliveAKill) {
    ASSERT_EQ(MF_InitComm("COM1", 9600), MF_OK);
    openSector();
    const Bytes written{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    ASSERT_EQ(MF_Write(0, 5, 1, written.data()), MF_OK);
    ASSERT_EQ(MF_SetDeviceSNR(0, "LASTING1"), MF_OK);
    const std::array<std::uint8_t, 6> stored{1, 2, 3, 4, 5, 6};
    ASSERT_EQ(MF_StoreKeyToEE(0, MF_KEY_A, 15, stored.data()), MF_OK);
    ASSERT_EQ(MF_SetWiegandMode(0, 1, 26), MF_OK);
    ASSERT_EQ(MF_SetDeviceAddr(0, 9), MF_OK);
    ASSERT_EQ(MF_SetDeviceBaud(0, 19200), MF_OK);
    ASSERT_EQ(MF_ExitComm(), MF_OK);
    console("create 4k 11223344 9", "created card 2");
    console("remove 1", "card 1: 1K A1B2C3D4, outside the field");

    killAndRestart();
    console("cards", "card 1: 1K A1B2C3D4, outside the field");
    expectOutput("card 2: 4K 11223344, outside the field, idle, credit 9");
    console("present 1", "card 1: 1K A1B2C3D4, in the field");
    console("reader", "address 9, line speed 19200, serial number LASTING1");
    expectOutput("Wiegand on");
    expectOutput("15=010203040506");

    // The reader listens at the speed it was set to, as the panel's baud button expects.
    ASSERT_EQ(MF_InitComm("COM1", 19200), MF_OK);
    Bytes serial(8);
    ASSERT_EQ(MF_GetDeviceSNR(0, serial.data()), MF_OK);
    EXPECT_EQ(std::string(serial.begin(), serial.end()), "LASTING1");
    openSector();
    Bytes read(16);
    ASSERT_EQ(MF_Read(0, 5, 1, read.data()), MF_OK);
    EXPECT_EQ(read, written);
    EXPECT_EQ(MF_ExitComm(), MF_OK);
}

TEST_F(Persistence, AChangeThatCannotBeSavedIsUndoneAndNotAcknowledged) {
    ASSERT_EQ(MF_InitComm("COM1", 9600), MF_OK);
    openSector();
    const Bytes lasting(16, 0x11);
    ASSERT_EQ(MF_Write(0, 4, 1, lasting.data()), MF_OK);
    // A folder where the state file should be: even root cannot rename a file over it.
    const auto file = state_.path() / "state.txt";
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);

    const Bytes lost(16, 0x22);
    EXPECT_EQ(MF_Write(0, 4, 1, lost.data()), MF_ERR_CARD_NO_ANSWER);
    expectOutput("error: the state was not saved");
    Bytes read(16);
    ASSERT_EQ(MF_Read(0, 4, 1, read.data()), MF_OK) << "the session should be as it was";
    EXPECT_EQ(read, lasting);
    EXPECT_EQ(MF_SetDeviceAddr(0, 9), MF_ERR_ACCESS_DENIED);
    std::uint8_t address = 0xFF;
    ASSERT_EQ(MF_GetDeviceAddr(0, &address), MF_OK);
    EXPECT_EQ(address, 0);
    console("credit 1 99", "error: the state was not saved");
    console("cards", "card 1: 1K A1B2C3D4, in the field, active, credit 17");

    std::filesystem::remove(file);
    const Bytes saved(16, 0x33);
    EXPECT_EQ(MF_Write(0, 4, 1, saved.data()), MF_OK);
    ASSERT_EQ(MF_ExitComm(), MF_OK);
    killAndRestart();
    console("cards", "card 1: 1K A1B2C3D4, in the field, idle, credit 51");
}

TEST_F(Persistence, AKillDuringWritesLeavesEachWriteWholeOrNotAtAll) {
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> delayMs(60, 250);
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_EQ(MF_InitComm("COM1", 9600), MF_OK);
        openSector();
        // Each write fills blocks 4 to 6 with one number; a card between two writes would hold
        // two numbers, or a number neither acknowledged nor in flight.
        std::thread killer([this, delay = delayMs(random)] {
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            emulator_->signal(SIGKILL);
        });
        std::uint32_t acknowledged = 0;
        for (std::uint32_t next = 1; next < 1000000; ++next) {
            if (MF_Write(0, 4, 3, numbered(next).data()) != MF_OK) {
                break;
            }
            acknowledged = next;
        }
        killer.join();
        ASSERT_EQ(MF_ExitComm(), MF_OK);
        ASSERT_GT(acknowledged, 0U) << "the kill came before the first write";
        ASSERT_TRUE(emulator_->wait(5s));
        startEmulator({});

        ASSERT_EQ(MF_InitComm("COM1", 9600), MF_OK);
        openSector();
        Bytes read(48);
        ASSERT_EQ(MF_Read(0, 4, 3, read.data()), MF_OK);
        ASSERT_EQ(MF_ExitComm(), MF_OK);
        const std::uint32_t found = read[0] | read[1] << 8U | read[2] << 16U | read[3] << 24U;
        EXPECT_EQ(read, numbered(found)) << "a write was cut in two";
        EXPECT_TRUE(found == acknowledged || found == acknowledged + 1)
            << "found " << found << " after " << acknowledged << " acknowledged";
    }
}

} // namespace
