#pragma once

#include "EmulatorSession.h"

#include <MF_API.h>

#include <array>
#include <cstdint>
#include <vector>

namespace testing_support {

/// The key every sector of a new emulated card opens with.
inline constexpr std::array<std::uint8_t, 6> kDefaultKey{0x7D, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D};

/// Request, anticollision, select, load the default key and authenticate for the block, through
/// our library on the port already open.
inline void openSector(std::int32_t block = 4, std::int32_t keyType = MF_KEY_B) {
    std::vector<std::uint8_t> type(3);
    ASSERT_EQ(MF_Request(0, MF_REQUEST_IDLE, type.data()), MF_OK);
    std::vector<std::uint8_t> serial(4);
    ASSERT_EQ(MF_Anticoll(0, serial.data()), MF_OK);
    ASSERT_EQ(MF_Select(0, serial.data()), MF_OK);
    ASSERT_EQ(MF_LoadKey(0, kDefaultKey.data()), MF_OK);
    ASSERT_EQ(MF_Authentication(0, keyType, block, serial.data()), MF_OK);
}

/// An emulator test with the library's port open on the emulator's COM1 for the whole test.
class OpenPortTest : public EmulatorTest {
protected:
    void SetUp() override {
        EmulatorTest::SetUp();
        ASSERT_EQ(MF_InitComm("COM1", 9600), MF_OK);
    }

    void TearDown() override { EXPECT_EQ(MF_ExitComm(), MF_OK); }
};

} // namespace testing_support
