// Every exported function of our MF_API end to end: the card's scenarios over every back end,
// the framed reader's own functions and its line over the pty.
#include "backends/BackEnd.h"
#include "e2e/AsUser.h"
#include "e2e/LibrarySteps.h"

#include <MF_API.h>

#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

const Bytes kUid{0xA1, 0xB2, 0xC3, 0xD4};
using testing_support::kDefaultKey;
using testing_support::openSector;
constexpr std::uint8_t kUntouched = 0xEE;

Bytes untouched(std::size_t size) {
    return Bytes(size, kUntouched);
}

/// A block of the sector already open.
Bytes readBlock(std::int32_t block) {
    Bytes data = untouched(16);
    EXPECT_EQ(MF_Read(0, block, 1, data.data()), MF_OK);
    return data;
}

/// What another program gets when it opens `port`; the test's environment leads it to the same
/// back end.
std::int32_t anotherProgramOpens(const std::string& port) {
    testing_support::ChildProcess other({MF_API_PROBE_PATH, MF_API_LIBRARY_PATH, "open", port});
    const auto line = other.waitForLine("status ", 10s);
    if (!line) {
        ADD_FAILURE() << "no status:\n" << other.transcript();
        return -1;
    }
    const std::int32_t status = std::stoi(line->substr(line->find("status ") + 7));
    EXPECT_EQ(other.wait(10s), status == MF_OK ? 0 : 1);
    return status;
}

using EndToEnd = testing_support::OpenBackEndTest;

TEST_P(EndToEnd, ReadWriteReadRoundTripsBlockFour) {
    Bytes type = untouched(4);
    ASSERT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_OK);
    EXPECT_EQ(type, (Bytes{0x04, 0x00, 0x08, kUntouched}));
    Bytes serial = untouched(5);
    ASSERT_EQ(MF_Anticoll(0, serial.data()), MF_OK);
    EXPECT_EQ(serial, (Bytes{0xA1, 0xB2, 0xC3, 0xD4, kUntouched}));
    ASSERT_EQ(MF_Select(0, serial.data()), MF_OK);
    ASSERT_EQ(MF_LoadKey(0, kDefaultKey.data()), MF_OK);
    ASSERT_EQ(MF_Authentication(0, MF_KEY_B, 4, serial.data()), MF_OK);
    Bytes data = untouched(17);
    ASSERT_EQ(MF_Read(0, 4, 1, data.data()), MF_OK);
    EXPECT_EQ(data[0], 50);
    EXPECT_EQ(data[16], kUntouched);
    data[0] = 48;
    ASSERT_EQ(MF_Write(0, 4, 1, data.data()), MF_OK);
    Bytes again = untouched(64);
    ASSERT_EQ(MF_Read(0, 4, 3, again.data()), MF_OK);
    EXPECT_EQ(Bytes(again.begin(), again.begin() + 16), Bytes(data.begin(), data.begin() + 16));
    EXPECT_EQ(again[48], kUntouched);
    console("cards", "credit 48");
}

TEST_P(EndToEnd, KeyStoreSlotsServeAuthentication) {
    // Stored with no card in touch, then with one.
    ASSERT_EQ(MF_StoreKeyToEE(0, MF_KEY_B, 3, kDefaultKey.data()), MF_OK);
    session_->expectKeysKept();
    EXPECT_EQ(MF_StoreKeyToEE(0, MF_KEY_B, 16, kDefaultKey.data()), MF_ERR_BAD_PARAMETER);
    EXPECT_EQ(MF_LoadKeyFromEE(0, MF_KEY_B, 16), MF_ERR_BAD_PARAMETER);
    EXPECT_EQ(MF_LoadKeyFromEE(0, 2, 0), MF_ERR_BAD_PARAMETER);
    Bytes type(3);
    Bytes serial(4);
    ASSERT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_OK);
    ASSERT_EQ(MF_StoreKeyToEE(0, MF_KEY_A, 15, kDefaultKey.data()), MF_OK);
    session_->expectKeysKept();
    ASSERT_EQ(MF_Anticoll(0, serial.data()), MF_OK);
    ASSERT_EQ(MF_Select(0, serial.data()), MF_OK);
    const Bytes wrong{1, 2, 3, 4, 5, 6};
    ASSERT_EQ(MF_LoadKey(0, wrong.data()), MF_OK);
    ASSERT_EQ(MF_LoadKeyFromEE(0, MF_KEY_B, 3), MF_OK);
    EXPECT_EQ(MF_Authentication(0, MF_KEY_B, 4, serial.data()), MF_OK);
    // A slot never stored holds the factory key, which opens nothing here.
    ASSERT_EQ(MF_LoadKeyFromEE(0, MF_KEY_B, 6), MF_OK);
    EXPECT_EQ(MF_Authentication(0, MF_KEY_B, 4, serial.data()), MF_ERR_AUTH_FAILED);
}

TEST_P(EndToEnd, WrongKeyAndMissingAuthenticationAreRefused) {
    const Bytes wrong{1, 2, 3, 4, 5, 6};
    for (const std::int32_t keyType : {MF_KEY_A, MF_KEY_B}) {
        SCOPED_TRACE(keyType == MF_KEY_A ? "key A" : "key B");
        Bytes type(3);
        Bytes serial(4);
        ASSERT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_OK);
        ASSERT_EQ(MF_Anticoll(0, serial.data()), MF_OK);
        ASSERT_EQ(MF_Select(0, serial.data()), MF_OK);
        Bytes data = untouched(16);
        EXPECT_EQ(MF_Read(0, 4, 1, data.data()), MF_ERR_NOT_AUTHENTICATED);
        ASSERT_EQ(MF_LoadKey(0, wrong.data()), MF_OK);
        EXPECT_EQ(MF_Authentication(0, keyType, 4, serial.data()), MF_ERR_AUTH_FAILED);
        // The card fell back to idle: it needs a new request before anything else.
        EXPECT_EQ(MF_Read(0, 4, 1, data.data()), MF_ERR_NOT_SELECTED);
        EXPECT_EQ(data, untouched(16));
    }
    const std::array<std::uint8_t, 4> other{1, 2, 3, 4};
    EXPECT_EQ(MF_Select(0, other.data()), MF_ERR_NOT_SELECTED);
    // After a request the right key opens the sector.
    openSector();
    EXPECT_EQ(readBlock(4)[0], 50);
}

TEST_P(EndToEnd, BlockCountMustStayInsideTheSector) {
    openSector();
    Bytes data = untouched(64);
    EXPECT_EQ(MF_Read(0, 6, 3, data.data()), MF_ERR_BAD_BLOCK);
    EXPECT_EQ(MF_Read(0, 4, 0, data.data()), MF_ERR_BAD_ARGUMENT);
    EXPECT_EQ(MF_Read(0, 4, 5, data.data()), MF_ERR_BAD_ARGUMENT);
    EXPECT_EQ(MF_Read(0, 300, 1, data.data()), MF_ERR_BAD_ARGUMENT);
    EXPECT_EQ(MF_Write(0, 5, 4, data.data()), MF_ERR_BAD_BLOCK);
    EXPECT_EQ(data, untouched(64));
    ASSERT_EQ(MF_Read(0, 4, 4, data.data()), MF_OK);
    EXPECT_EQ(data[0], 50);
}

TEST_P(EndToEnd, AReadableKeyBAuthenticatesOpensNothingAndItsRefusalDropsTheCard) {
    openSector(7);
    Bytes trailer(16);
    ASSERT_EQ(MF_Read(0, 7, 1, trailer.data()), MF_OK);
    EXPECT_EQ(trailer, (Bytes{0, 0, 0, 0, 0, 0, 0x7F, 0x07, 0x88, 0x69, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(MF_Write(0, 0, 1, trailer.data()), MF_ERR_NOT_AUTHENTICATED);
    // The transport configuration makes key B readable data.
    Bytes transport{0x7D, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D, 0xFF, 0x07,
                    0x80, 0x69, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D};
    ASSERT_EQ(MF_Write(0, 7, 1, transport.data()), MF_OK);
    // As on a real card, key B still authenticates, and the card refuses whatever follows. The
    // refusal drops the card out of its session: nothing more without a new request.
    Bytes serial = kUid;
    ASSERT_EQ(MF_Authentication(0, MF_KEY_B, 4, serial.data()), MF_OK);
    Bytes data = untouched(16);
    EXPECT_EQ(MF_Read(0, 4, 1, data.data()), MF_ERR_ACCESS_DENIED);
    EXPECT_EQ(data, untouched(16));
    EXPECT_EQ(MF_Read(0, 4, 1, data.data()), MF_ERR_NOT_SELECTED);
    EXPECT_EQ(MF_Authentication(0, MF_KEY_B, 4, serial.data()), MF_ERR_NOT_SELECTED);
    openSector(4, MF_KEY_B);
    data.assign(16, 0x33);
    EXPECT_EQ(MF_Write(0, 5, 1, data.data()), MF_ERR_ACCESS_DENIED);
    EXPECT_EQ(MF_Read(0, 5, 1, data.data()), MF_ERR_NOT_SELECTED);
    openSector(4, MF_KEY_A);
    ASSERT_EQ(MF_Read(0, 7, 1, trailer.data()), MF_OK);
    EXPECT_EQ(trailer[0], 0);
    EXPECT_EQ(trailer[10], 0x7D);
    console("show A1B2C3D4 1", "access 000 000 000 001");
}

TEST_P(EndToEnd, ManufacturerBlockStaysAsItIs) {
    openSector(0);
    Bytes block(16);
    ASSERT_EQ(MF_Read(0, 0, 1, block.data()), MF_OK);
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 4), kUid);
    Bytes zeros(16, 0);
    EXPECT_EQ(MF_Write(0, 0, 1, zeros.data()), MF_ERR_ACCESS_DENIED);
    // The card refused it, and needs a new request.
    Bytes again = untouched(16);
    EXPECT_EQ(MF_Read(0, 0, 1, again.data()), MF_ERR_NOT_SELECTED);
    EXPECT_EQ(again, untouched(16));
    openSector(0);
    ASSERT_EQ(MF_Read(0, 0, 1, again.data()), MF_OK);
    EXPECT_EQ(again, block);
}

TEST_P(EndToEnd, ValueBlocksTakeOperationsThroughTheTransferBuffer) {
    openSector(8);
    // Value 100 at block 8: value, inverted value, value, address bytes.
    const Bytes value100{100, 0, 0, 0, 0x9B, 0xFF, 0xFF, 0xFF, 100, 0, 0, 0, 8, 0xF7, 8, 0xF7};
    ASSERT_EQ(MF_Write(0, 8, 1, value100.data()), MF_OK);
    EXPECT_EQ(MF_transfer(0, 9), MF_ERR_NO_VALUE_PENDING);
    const std::int32_t operand = 20;
    ASSERT_EQ(MF_Value(0, MF_VALUE_INCREMENT, 8, &operand), MF_OK);
    EXPECT_EQ(readBlock(8), value100); // nothing written before the transfer
    ASSERT_EQ(MF_transfer(0, 9), MF_OK);
    Bytes read = readBlock(9);
    EXPECT_EQ(read[0], 120);
    EXPECT_EQ(read[4], static_cast<std::uint8_t>(~120));
    ASSERT_EQ(MF_Value(0, MF_VALUE_DECREMENT, 9, &operand), MF_OK);
    ASSERT_EQ(MF_transfer(0, 9), MF_OK);
    EXPECT_EQ(readBlock(9)[0], 100);
    const std::int32_t ten = 10;
    ASSERT_EQ(MF_Value(0, MF_VALUE_DECREMENT, 8, &ten), MF_OK);
    ASSERT_EQ(MF_transfer(0, 8), MF_OK);
    EXPECT_EQ(readBlock(8),
              (Bytes{90, 0, 0, 0, 0xA5, 0xFF, 0xFF, 0xFF, 90, 0, 0, 0, 8, 0xF7, 8, 0xF7}));

    // Block 10 holds no value block: the card refuses, which drops it out of its session with
    // the value of the operation before, and nothing is written.
    const Bytes plain = readBlock(10);
    EXPECT_EQ(MF_Value(0, MF_VALUE_INCREMENT, 10, &operand), MF_ERR_NOT_VALUE_BLOCK);
    EXPECT_EQ(MF_transfer(0, 10), MF_ERR_NOT_SELECTED);
    openSector(8);
    EXPECT_EQ(MF_transfer(0, 10), MF_ERR_NO_VALUE_PENDING);
    EXPECT_EQ(readBlock(10), plain);
    EXPECT_EQ(MF_Value(0, 4, 8, &operand), MF_ERR_BAD_PARAMETER);
    EXPECT_EQ(MF_Value(0, MF_VALUE_INCREMENT, 8, nullptr), MF_ERR_BAD_ARGUMENT);
    EXPECT_EQ(MF_transfer(0, 4), MF_ERR_NOT_AUTHENTICATED);
}

TEST_P(EndToEnd, HaltedCardAnswersWakeUpOnlyUntilItLeavesTheField) {
    openSector();
    ASSERT_EQ(MF_Halt(0), MF_OK);
    Bytes type = untouched(3);
    EXPECT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_ERR_NO_CARD);
    EXPECT_EQ(type, (Bytes{0, 0, 0}));
    EXPECT_EQ(MF_Request(0, MF_REQUEST_ALL, type.data()), MF_OK);
    EXPECT_EQ(type, (Bytes{0x04, 0x00, 0x08}));
    EXPECT_EQ(MF_Halt(0), MF_ERR_NOT_SELECTED); // a request selects nothing
    openSector();
    ASSERT_EQ(MF_Halt(0), MF_OK);
    ASSERT_EQ(MF_Request(0, MF_REQUEST_ALL, type.data()), MF_OK);
    Bytes serial(4);
    ASSERT_EQ(MF_Anticoll(0, serial.data()), MF_OK);
    ASSERT_EQ(MF_Select(0, serial.data()), MF_OK);
    Bytes data(16);
    EXPECT_EQ(MF_Read(0, 4, 1, data.data()), MF_ERR_NOT_AUTHENTICATED);
    EXPECT_EQ(MF_Halt(0), MF_OK);
    EXPECT_EQ(MF_Halt(0), MF_ERR_NOT_SELECTED);
    takeAway("1");
    session_->present("1");
    EXPECT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_OK);
}

TEST_P(EndToEnd, ACardTakenAwayAnswersNothingAndKeepsItsCredit) {
    for (const bool writing : {false, true}) {
        SCOPED_TRACE(writing ? "a write" : "a read");
        openSector();
        Bytes block = readBlock(4);
        ASSERT_EQ(block[0], 50);
        session_->remove("1");
        block[0] = 40;
        EXPECT_EQ(writing ? MF_Write(0, 4, 1, block.data()) : MF_Read(0, 4, 1, block.data()),
                  MF_ERR_CARD_NO_ANSWER);
        session_->waitUntilGone();
        Bytes type = untouched(3);
        EXPECT_EQ(MF_Request(0, MF_REQUEST_ALL, type.data()), MF_ERR_NO_CARD);
        EXPECT_EQ(type, (Bytes{0, 0, 0}));
        session_->present("1");
    }
    openSector();
    EXPECT_EQ(readBlock(4)[0], 50);
    console("cards", "credit 50");
}

TEST_P(EndToEnd, TwoCardsPresentedInTurnAreEachSeen) {
    console("create 1k 11223344 10", "created card 2");
    Bytes type(3);
    Bytes serial(4);
    ASSERT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_OK);
    ASSERT_EQ(MF_Anticoll(0, serial.data()), MF_OK);
    EXPECT_EQ(serial, kUid);
    takeAway("1");
    type.assign(3, kUntouched);
    EXPECT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_ERR_NO_CARD);
    EXPECT_EQ(type, (Bytes{0, 0, 0}));
    session_->present("2");
    ASSERT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_OK);
    ASSERT_EQ(MF_Anticoll(0, serial.data()), MF_OK);
    EXPECT_EQ(serial, (Bytes{0x11, 0x22, 0x33, 0x44}));
    // The first card's UID selects nothing now.
    EXPECT_EQ(MF_Select(0, kUid.data()), MF_ERR_NOT_SELECTED);
}

TEST_P(EndToEnd, TheReaderFunctionsAnswerAsTheReaderHasThem) {
    const std::int32_t expected = GetParam().readerFunctions;
    const std::int16_t duration = 10;
    EXPECT_EQ(MF_DeviceReset(0), expected);
    EXPECT_EQ(MF_SetDeviceAddr(0, 0), expected);
    EXPECT_EQ(MF_SetDeviceBaud(0, 19200), expected);
    EXPECT_EQ(MF_SetDeviceSNR(0, "12345678"), expected);
    EXPECT_EQ(MF_ControlBuzzer(0, &duration), expected);
    EXPECT_EQ(MF_ControlLED(0, 1, 0), expected);
    EXPECT_EQ(MF_SetRF_OFF(0), expected);
    EXPECT_EQ(MF_SetRF_ON(0), expected);
    EXPECT_EQ(MF_SetWiegandMode(0, 1, 0), expected);
    // A reader without a serial number of its own writes none.
    const Bytes stored{'1', '2', '3', '4', '5', '6', '7', '8'};
    Bytes serial = untouched(8);
    EXPECT_EQ(MF_GetDeviceSNR(0, serial.data()), expected);
    EXPECT_EQ(serial, expected == MF_OK ? stored : untouched(8));

    std::uint8_t address = kUntouched;
    EXPECT_EQ(MF_GetDeviceAddr(0, &address), MF_OK);
    EXPECT_EQ(address, 0);
    std::array<std::uint8_t, 33> version{};
    ASSERT_EQ(MF_GetDevice_Ver(0, version.data()), MF_OK);
    EXPECT_EQ(
        std::string(reinterpret_cast<const char*>(version.data())).rfind(GetParam().version, 0),
        0U);
    // The card still works after all that.
    openSector();
}

TEST_P(EndToEnd, SecondOpenIsRefusedWithPortBusy) {
    EXPECT_EQ(MF_InitComm(GetParam().port.c_str(), 9600), MF_ERR_PORT_BUSY);
    // Another program, by the reader's other name: before this one asks for a card, and after.
    EXPECT_EQ(anotherProgramOpens(GetParam().portAlias), GetParam().openBeforeACardSession);
    Bytes type(3);
    ASSERT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_OK);
    EXPECT_EQ(anotherProgramOpens(GetParam().portAlias), MF_ERR_PORT_BUSY);
    Bytes address(1);
    EXPECT_EQ(MF_GetDeviceAddr(0, address.data()), MF_OK);
}

TEST_P(EndToEnd, CallsFromSeveralThreadsShareTheConnection) {
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([&failures] {
            for (int call = 0; call < 25; ++call) {
                std::uint8_t address = kUntouched;
                if (MF_GetDeviceAddr(0, &address) != MF_OK || address != 0) {
                    ++failures;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(, EndToEnd, testing::ValuesIn(testing_support::allBackEnds()),
                         testing_support::backEndName);

/// The framed reader's own functions and its line, which no other back end has.
using FramedReader = testing_support::OpenPortTest;

TEST_F(FramedReader, IdentityCommandsWriteExactlyTheirBytes) {
    Bytes address = untouched(2);
    ASSERT_EQ(MF_GetDeviceAddr(0, address.data()), MF_OK);
    EXPECT_EQ(address, (Bytes{0, kUntouched}));

    Bytes version = untouched(40);
    ASSERT_EQ(MF_GetDevice_Ver(0, version.data()), MF_OK);
    const std::string text(reinterpret_cast<const char*>(version.data()));
    EXPECT_EQ(text, "KOV450 emulated reader 1.0");
    EXPECT_EQ(version[text.size() + 1], kUntouched);

    Bytes serial = untouched(9);
    ASSERT_EQ(MF_SetDeviceSNR(0, "AB12"), MF_OK);
    ASSERT_EQ(MF_GetDeviceSNR(0, serial.data()), MF_OK);
    EXPECT_EQ(serial, (Bytes{'A', 'B', '1', '2', 0, 0, 0, 0, kUntouched}));
    ASSERT_EQ(MF_SetDeviceSNR(0, "ABCDEFGHIJ"), MF_OK);
    ASSERT_EQ(MF_GetDeviceSNR(0, serial.data()), MF_OK);
    EXPECT_EQ(std::string(serial.begin(), serial.begin() + 8), "ABCDEFGH");

    ASSERT_EQ(MF_DeviceReset(0), MF_OK);
    expectOutput("event: reset");

    Bytes dll = untouched(40);
    ASSERT_EQ(MF_GetDLL_Ver(dll.data()), MF_OK);
    const std::size_t length = std::strlen(reinterpret_cast<const char*>(dll.data()));
    EXPECT_GT(length, 0U);
    EXPECT_LE(length, 32U);
    EXPECT_EQ(dll[length + 1], kUntouched);
}

TEST_F(FramedReader, AddressZeroAlwaysReachesTheReaderAnotherOnlyWhenItMatches) {
    ASSERT_EQ(MF_SetDeviceAddr(0, 5), MF_OK);
    expectOutput("event: address 5");
    Bytes address = untouched(1);
    ASSERT_EQ(MF_GetDeviceAddr(5, address.data()), MF_OK);
    EXPECT_EQ(address[0], 5);
    address[0] = kUntouched;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(MF_GetDeviceAddr(6, address.data()), MF_ERR_TIMEOUT);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_EQ(address[0], kUntouched);
    EXPECT_EQ(MF_SetDeviceAddr(0, 256), MF_ERR_BAD_ARGUMENT);
    EXPECT_EQ(MF_SetDeviceAddr(0, -3), MF_ERR_BAD_ARGUMENT);
    EXPECT_EQ(MF_GetDeviceAddr(256, address.data()), MF_ERR_BAD_ARGUMENT);
}

TEST_F(FramedReader, OutputsShowInTheEmulator) {
    const std::int16_t duration = 30;
    ASSERT_EQ(MF_ControlBuzzer(0, &duration), MF_OK);
    expectOutput("event: buzzer 300 ms");
    const std::int16_t negative = -1;
    EXPECT_EQ(MF_ControlBuzzer(0, &negative), MF_ERR_BAD_PARAMETER);
    ASSERT_EQ(MF_ControlLED(0, 1, 0), MF_OK);
    expectOutput("event: red LED on");
    ASSERT_EQ(MF_ControlLED(0, 1, 1), MF_OK);
    expectOutput("event: green LED on");
    EXPECT_EQ(MF_ControlLED(0, 2, 0), MF_ERR_BAD_PARAMETER);
    ASSERT_EQ(MF_SetWiegandMode(0, 1, 3), MF_OK);
    expectOutput("event: Wiegand on, format 3");
    ASSERT_EQ(MF_SetWiegandMode(0, 0, 0), MF_OK);
    expectOutput("event: Wiegand off");
    console("reader", "red LED on, green LED on, RF on, Wiegand off");
}

TEST_F(FramedReader, RfOffSilencesTheCardAndRequestWritesThreeZeros) {
    ASSERT_EQ(MF_SetRF_OFF(0), MF_OK);
    expectOutput("event: RF off");
    Bytes type = untouched(4);
    EXPECT_EQ(MF_Request(0, MF_REQUEST_ALL, type.data()), MF_ERR_NO_CARD);
    EXPECT_EQ(type, (Bytes{0, 0, 0, kUntouched}));
    ASSERT_EQ(MF_SetRF_ON(0), MF_OK);
    EXPECT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_OK);
    EXPECT_EQ(type, (Bytes{0x04, 0x00, 0x08, kUntouched}));
}

TEST_F(FramedReader, LibraryFollowsTheReaderToANewLineSpeed) {
    EXPECT_EQ(MF_SetDeviceBaud(0, 12345), MF_ERR_BAD_SPEED);
    ASSERT_EQ(MF_SetDeviceBaud(0, 19200), MF_OK);
    expectOutput("event: line speed 19200");
    Bytes address(1);
    EXPECT_EQ(MF_GetDeviceAddr(0, address.data()), MF_OK);
    ASSERT_EQ(MF_ExitComm(), MF_OK);
    // Opened at the old speed, the frames are garbage to the reader.
    ASSERT_EQ(MF_InitComm("COM1", 9600), MF_OK);
    EXPECT_EQ(MF_GetDeviceAddr(0, address.data()), MF_ERR_TIMEOUT);
    expectOutput("line speed mismatch");
    ASSERT_EQ(MF_ExitComm(), MF_OK);
    ASSERT_EQ(MF_InitComm("COM1", 19200), MF_OK);
    EXPECT_EQ(MF_GetDeviceAddr(0, address.data()), MF_OK);
    EXPECT_EQ(MF_SetDeviceBaud(0, 9600), MF_OK);
    EXPECT_EQ(MF_GetDeviceAddr(0, address.data()), MF_OK);
}

TEST_F(FramedReader, NoiseBeforeTheAnswerIsSkipped) {
    console("noise 00 FF 5A 5A 00 03 13 A5", "noise of 8 byte(s)");
    Bytes address = untouched(1);
    EXPECT_EQ(MF_GetDeviceAddr(0, address.data()), MF_OK);
    EXPECT_EQ(address[0], 0);
}

TEST_F(FramedReader, BrokenAnswerIsABadFrameAndTheNextCallWorks) {
    console("corrupt", "broken CRC");
    Bytes serial = untouched(8);
    EXPECT_EQ(MF_GetDeviceSNR(0, serial.data()), MF_ERR_BAD_FRAME);
    EXPECT_EQ(serial, untouched(8));
    EXPECT_EQ(MF_GetDeviceSNR(0, serial.data()), MF_OK);
    EXPECT_EQ(serial, (Bytes{'0', '0', '0', '0', '0', '0', '0', '1'}));
}

TEST_F(FramedReader, EmulatorKilledMidCallGivesAnErrorInBoundedTime) {
    openSector();
    std::atomic<bool> stop{false};
    std::atomic<std::int32_t> last{MF_OK};
    std::chrono::steady_clock::duration longest{};
    std::thread caller([&] {
        while (!stop) {
            Bytes data(64);
            const auto start = std::chrono::steady_clock::now();
            last = MF_Read(0, 4, 4, data.data());
            longest = std::max(longest, std::chrono::steady_clock::now() - start);
            if (last != MF_OK) {
                return;
            }
        }
    });
    std::this_thread::sleep_for(100ms);
    emulator_->signal(SIGKILL);
    std::this_thread::sleep_for(100ms);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (last == MF_OK && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    stop = true;
    caller.join();
    EXPECT_EQ(last.load(), MF_ERR_DEVICE_GONE);
    EXPECT_LT(longest, 3s);
    Bytes address(1);
    EXPECT_EQ(MF_GetDeviceAddr(0, address.data()), MF_ERR_NOT_OPEN);
}

class WithoutPort : public testing_support::EmulatorTest {};

TEST_F(WithoutPort, HostSideErrorsHaveTheirOwnCodes) {
    EXPECT_EQ(MF_ExitComm(), MF_OK);
    Bytes version = untouched(33);
    EXPECT_EQ(MF_GetDLL_Ver(version.data()), MF_OK);
    Bytes address = untouched(1);
    EXPECT_EQ(MF_GetDeviceAddr(0, address.data()), MF_ERR_NOT_OPEN);
    EXPECT_EQ(address[0], kUntouched);
    EXPECT_EQ(MF_InitComm("NO-SUCH-PORT", 9600), MF_ERR_NO_SUCH_PORT);
    EXPECT_EQ(MF_InitComm((ports_.path() / "missing").c_str(), 9600), MF_ERR_NO_SUCH_PORT);
    EXPECT_EQ(MF_InitComm(ports_.path().c_str(), 9600), MF_ERR_NO_SUCH_PORT);
    EXPECT_EQ(MF_InitComm(nullptr, 9600), MF_ERR_BAD_ARGUMENT);
    EXPECT_EQ(MF_InitComm("COM1", 1234), MF_ERR_BAD_SPEED);
    EXPECT_EQ(MF_GetDLL_Ver(nullptr), MF_ERR_BAD_ARGUMENT);
    Bytes type = untouched(3);
    EXPECT_EQ(MF_Request(0, 0, nullptr), MF_ERR_BAD_ARGUMENT);
    EXPECT_EQ(MF_Request(0, 0, type.data()), MF_ERR_NOT_OPEN);
    EXPECT_EQ(type, (Bytes{0, 0, 0}));
}

TEST_F(WithoutPort, DeviceWithoutPermissionIsNotBusy) {
    const auto locked = ports_.path() / "locked";
    std::ofstream(locked) << "";
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    if (::geteuid() != 0) {
        EXPECT_EQ(MF_InitComm(locked.c_str(), 9600), MF_ERR_PERMISSION);
        return;
    }
    // Root opens every device: the caller is someone else, who may pass through the folder.
    std::filesystem::permissions(ports_.path(), std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add);
    const auto status = testing_support::asUser(testing_support::kNobody, [&] {
        return std::optional(std::to_string(MF_InitComm(locked.c_str(), 9600)));
    });
    EXPECT_EQ(status, std::to_string(MF_ERR_PERMISSION));
}

TEST_F(WithoutPort, PortNamesIgnoreCase) {
    ASSERT_EQ(MF_InitComm("com1", 9600), MF_OK);
    EXPECT_EQ(MF_ExitComm(), MF_OK);
    ASSERT_EQ(MF_InitComm("Usb", 9600), MF_OK);
    Bytes address(1);
    EXPECT_EQ(MF_GetDeviceAddr(0, address.data()), MF_OK);
    EXPECT_EQ(MF_ExitComm(), MF_OK);
}

TEST_F(WithoutPort, EmulatorRemovesItsPortLinksWhenItEnds) {
    EXPECT_TRUE(std::filesystem::is_symlink(ports_.path() / "COM1"));
    EXPECT_TRUE(std::filesystem::is_symlink(ports_.path() / "USB"));
    emulator_->signal(SIGTERM);
    EXPECT_EQ(emulator_->wait(5s), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(ports_.path() / "COM1")));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(ports_.path() / "USB")));
    EXPECT_EQ(MF_InitComm((ports_.path() / "COM1").c_str(), 9600), MF_ERR_NO_SUCH_PORT);
}

TEST_F(WithoutPort, PacedAnswersTakeTheirWireTime) {
    emulator_->signal(SIGTERM);
    ASSERT_TRUE(emulator_->wait(5s));
    startEmulator({"--pace", "--port", "PACED"});
    ASSERT_EQ(MF_InitComm("paced", 9600), MF_OK);
    Bytes data(64);
    const auto start = std::chrono::steady_clock::now();
    Bytes version(33);
    ASSERT_EQ(MF_GetDevice_Ver(0, version.data()), MF_OK);
    // 6 request bytes and 33 answer bytes at 9600 bit/s: at least 40 ms on the wire.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 40ms);
    EXPECT_EQ(MF_ExitComm(), MF_OK);
}

} // namespace
