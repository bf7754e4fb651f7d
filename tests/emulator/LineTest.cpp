// kov450-emu's line as a client sees it: requests written to its pty, answers read back.
#include "e2e/ChildProcess.h"
#include "e2e/TempFolder.h"
#include "emulator/state/FileDescriptor.h"
#include "protocol/Command.h"
#include "protocol/FrameDecoder.h"
#include "protocol/FrameEncoder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <chrono>

namespace {

using namespace std::chrono_literals;
using testing_support::ChildProcess;

/// The emulator's COM1 opened raw at 9600 bit/s, the reader's speed, as our library opens it.
kov450::FileDescriptor openLine(const std::filesystem::path& link) {
    kov450::FileDescriptor line(::open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    termios settings{};
    if (line.valid() && ::tcgetattr(line.get(), &settings) == 0) {
        ::cfmakeraw(&settings);
        ::cfsetspeed(&settings, B9600);
        ::tcsetattr(line.get(), TCSANOW, &settings);
    }
    return line;
}

bool writeAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

/// Reads until the line stays quiet for `quiet`; the bytes read.
std::vector<std::uint8_t> drain(int fd, std::chrono::milliseconds quiet) {
    std::vector<std::uint8_t> bytes;
    std::array<std::uint8_t, 4096> chunk{};
    pollfd ready{fd, POLLIN, 0};
    while (::poll(&ready, 1, static_cast<int>(quiet.count())) > 0) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got <= 0) {
            break;
        }
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
    }
    return bytes;
}

TEST(Line, AClientThatReadsNoAnswersLosesThemAndTheReaderKeepsItsMemory) {
    testing_support::TempFolder ports;
    testing_support::TempFolder state;
    ChildProcess emulator(
        {KOV450_EMU_PATH, "--headless", "--no-card", "--state", state.path().string()},
        {{"MF_API_PORTS", ports.path().string()}});
    ASSERT_TRUE(emulator.waitForLine("ready:", 10s)) << emulator.transcript();
    const kov450::FileDescriptor line = openLine(ports.path() / "COM1");
    ASSERT_TRUE(line.valid());

    const auto request = protocol::encodeFrame(
        {protocol::FrameKind::Request, 0, protocol::toByte(protocol::Command::GetAddress), 0, {}});
    ASSERT_TRUE(request);
    // Far more answers than the pty holds, none of them read.
    constexpr std::size_t kRequests = 40000;
    std::vector<std::uint8_t> burst;
    for (std::size_t count = 0; count < kRequests; ++count) {
        burst.insert(burst.end(), request->begin(), request->end());
    }
    ASSERT_TRUE(writeAll(line.get(), burst));
    EXPECT_TRUE(emulator.waitForLine("answers are lost", 10s)) << emulator.transcript();

    const std::size_t answerSize = protocol::kAnswerOverhead + 1;
    const std::vector<std::uint8_t> waiting = drain(line.get(), 500ms);
    EXPECT_LT(waiting.size(), kRequests * answerSize / 2) << "the host kept every answer";
    // Once the client reads, it gets answers again.
    ASSERT_TRUE(writeAll(line.get(), *request));
    const std::vector<std::uint8_t> answer = drain(line.get(), 500ms);
    protocol::FrameDecoder decoder(protocol::FrameKind::Answer);
    const auto decoded = decoder.feed(answer);
    ASSERT_EQ(decoded.frames.size(), 1U) << answer.size() << " bytes";
    EXPECT_EQ(decoded.frames[0].payload, std::vector<std::uint8_t>{0});
}

} // namespace
