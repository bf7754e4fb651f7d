#pragma once

#include "ChildProcess.h"
#include "EmulatorConsole.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace testing_support {

using namespace std::chrono_literals;

/// kov450-emu headless on its own port folder and its own state folder, with the library pointed
/// at it. The library's answer margin is generous, so that a busy machine does not make a call
/// time out. An emulator started again finds the state its predecessor left.
class FramedEmulator {
protected:
    static constexpr const char* kMarginMs = "1000";

    void start() {
        ::setenv("MF_API_PORTS", ports_.path().c_str(), 1);
        ::setenv("MF_API_ANSWER_MARGIN_MS", kMarginMs, 1);
        startEmulator({});
    }

    void startEmulator(const std::vector<std::string>& arguments) {
        std::vector<std::string> argv{KOV450_EMU_PATH, "--headless", "--state",
                                      state_.path().string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        emulator_ =
            std::make_unique<ChildProcess>(argv, std::vector<std::pair<std::string, std::string>>{
                                                     {"MF_API_PORTS", ports_.path().string()},
                                                     {"XDG_STATE_HOME", state_.path().string()}});
        ASSERT_TRUE(emulator_->waitForLine("ready:", 10s)) << emulator_->transcript();
    }

    /// Sends a console line and waits for a reply line that contains `expected`.
    void console(const std::string& line, const std::string& expected) {
        ASSERT_TRUE(consoleReplies(*emulator_, line, expected));
    }

    /// Waits for the emulator to report something (an event line).
    void expectOutput(const std::string& expected) {
        ASSERT_TRUE(emulator_->waitForLine(expected, 5s)) << "no '" << expected << "':\n"
                                                          << emulator_->transcript();
    }

    TempFolder ports_;
    TempFolder state_;
    std::unique_ptr<ChildProcess> emulator_;
};

/// A test with a FramedEmulator of its own.
class EmulatorTest : public ::testing::Test, protected FramedEmulator {
protected:
    void SetUp() override { start(); }
};

} // namespace testing_support
