#include "emulator/model/Wiegand.h"
#include "emulator/host/Console.h"
#include "protocol/Command.h"
#include "protocol/Status.h"

#include <gtest/gtest.h>

namespace {

using namespace kov450;

TEST(Wiegand26, CarriesFacilityAndCardNumberBetweenTheirParities) {
    const Wiegand26 frame = wiegand26(Uid{0x00, 0x01, 0x02, 0x03});
    EXPECT_EQ(frame.facility, 1);
    EXPECT_EQ(frame.cardNumber, 0x0203);
    // even parity 1 (one bit set in the first half), data, odd parity 0 (three in the second)
    EXPECT_EQ(frame.text(), "1"
                            "000000010000"
                            "001000000011"
                            "0");

    const Wiegand26 zeros = wiegand26(Uid{0xFF, 0x00, 0x00, 0x00});
    EXPECT_EQ(zeros.text(), "0" + std::string(24, '0') + "1");
    const Wiegand26 ones = wiegand26(Uid{0x00, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(ones.text(), "0" + std::string(24, '1') + "1");
}

TEST(Wiegand26, ACardEnteringTheFieldIsSentOnlyWhileWiegandIsOn) {
    Reader reader;
    LineFaults faults;
    Console console{reader, faults};
    console.execute("create 1k 00010203");
    const auto setWiegand = [&](std::uint8_t mode, std::uint8_t format) {
        const auto answer =
            reader.handle(protocol::Frame{protocol::FrameKind::Request,
                                          0,
                                          protocol::toByte(protocol::Command::Wiegand),
                                          0,
                                          {mode, format}});
        EXPECT_TRUE(answer && answer->status == protocol::status::kOk);
    };
    const auto framesIn = [](const ConsoleReply& reply) {
        std::vector<std::string> frames;
        for (const std::string& line : reply.lines) {
            if (line.find("Wiegand frame") != std::string::npos) {
                frames.push_back(line);
            }
        }
        return frames;
    };

    EXPECT_TRUE(framesIn(console.execute("present 1")).empty()); // Wiegand off
    console.execute("remove 1");
    setWiegand(1, 3);
    const auto frames = framesIn(console.execute("present 1"));
    ASSERT_EQ(frames.size(), 1U);
    EXPECT_NE(frames[0].find("10000000100000010000000110 (facility 1, card 515)"),
              std::string::npos)
        << frames[0];
    EXPECT_TRUE(framesIn(console.execute("present 1")).empty()); // already in the field
    console.execute("remove 1");
    setWiegand(0, 0);
    EXPECT_TRUE(framesIn(console.execute("present 1")).empty());
}

} // namespace
