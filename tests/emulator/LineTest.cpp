// kov450-emu's line as a client sees it: requests written to its pty, answers read back.
#include "e2e/LineClient.h"
#include "e2e/ChildProcess.h"
#include "e2e/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using namespace std::chrono_literals;
using namespace line_client;
using testing_support::ChildProcess;

TEST(Line, AClientThatReadsNoAnswersLosesThemAndTheReaderKeepsItsMemory) {
    testing_support::TempFolder ports;
    testing_support::TempFolder state;
    ChildProcess emulator(
        {KOV450_EMU_PATH, "--headless", "--no-card", "--state", state.path().string()},
        {{"MF_API_PORTS", ports.path().string()}});
    ASSERT_TRUE(emulator.waitForLine("ready:", 10s)) << emulator.transcript();
    const kov450::FileDescriptor line = openLine(ports.path() / "COM1");
    ASSERT_TRUE(line.valid());

    const std::vector<std::uint8_t> request = addressRequest();
    // Far more answers than the pty holds, none of them read.
    constexpr std::size_t kRequests = 40000;
    std::vector<std::uint8_t> burst;
    for (std::size_t count = 0; count < kRequests; ++count) {
        burst.insert(burst.end(), request.begin(), request.end());
    }
    ASSERT_TRUE(writeAll(line.get(), burst));
    EXPECT_TRUE(emulator.waitForLine("answers are lost", 10s)) << emulator.transcript();

    const std::size_t answerSize = protocol::kAnswerOverhead + 1;
    const std::vector<std::uint8_t> waiting = drain(line.get(), 500ms);
    EXPECT_LT(waiting.size(), kRequests * answerSize / 2) << "the host kept every answer";
    // Once the client reads, it gets answers again.
    ASSERT_TRUE(writeAll(line.get(), request));
    const std::vector<std::uint8_t> answer = drain(line.get(), 500ms);
    protocol::FrameDecoder decoder(protocol::FrameKind::Answer);
    const auto decoded = decoder.feed(answer);
    ASSERT_EQ(decoded.frames.size(), 1U) << answer.size() << " bytes";
    EXPECT_EQ(decoded.frames[0].payload, std::vector<std::uint8_t>{0});
}

} // namespace
