#pragma once

#include "e2e/ChildProcess.h"
#include "e2e/EmulatorConsole.h"
#include "e2e/TempFolder.h"
#include "pcsc/PcscWatch.h"

#include <MF_API.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace testing_support {

using namespace std::chrono_literals;

/// A real pcscd with vsmartcard's vpcd driver and kov450-emu as the card in its reader, inside
/// pcsc_sandbox (a private network, /run/pcscd and PID namespace), so that the machine's own
/// pcscd is never touched. Outside the sandbox, or without pcscd and vpcd, the test is skipped
/// and says why. The library's key store is in the test's state folder.
class PcscStack {
public:
    PcscStack() = default;
    PcscStack(const PcscStack&) = delete;
    PcscStack& operator=(const PcscStack&) = delete;
    ~PcscStack() {
        emulator_.reset();
        stopPcscd();
    }

protected:
    static constexpr const char* kReader = "Virtual PCD";
    static constexpr const char* kPcscd = "/usr/sbin/pcscd";
    static constexpr const char* kVpcdDriver = "/usr/lib/pcsc/drivers/serial/libifdvpcd.so";

    void start() {
        if (std::getenv("KOV_PCSC_SANDBOX") == nullptr) {
            GTEST_SKIP() << "skipped: PC/SC tests run only inside pcsc_sandbox (ctest runs them "
                            "there), never against the machine's pcscd";
        }
        if (!std::filesystem::exists(kPcscd) || !std::filesystem::exists(kVpcdDriver)) {
            GTEST_SKIP() << "skipped: pcscd or vsmartcard-vpcd is not installed (scripts/deps)";
        }
        ::setenv("XDG_STATE_HOME", state_.path().c_str(), 1);
        ::setenv("MF_API_PORTS", ports_.path().c_str(), 1);
        startPcscd();
        startEmulator();
        ASSERT_TRUE(PcscWatch::waitForCard(kReader, true, 10s))
            << "the emulator's card never reached pcscd:\n"
            << emulator_->transcript() << pcscdLog();
    }

    /// pcscd in the foreground with the readers of reader.conf.d (Debian's vsmartcard-vpcd puts
    /// vpcd's there), its log in a file of the test's.
    void startPcscd() {
        // A pcscd that was killed leaves its pid file, which would stop the next one.
        std::filesystem::remove("/run/pcscd/pcscd.pid");
        std::filesystem::remove("/run/pcscd/pcscd.comm");
        pcscd_ = std::make_unique<ChildProcess>(std::vector<std::string>{
            "/bin/sh", "-c",
            std::string("exec ") + kPcscd + " --foreground >>'" + log().string() + "' 2>&1"});
        ASSERT_TRUE(PcscWatch::waitForReader(kReader, 10s))
            << "pcscd lists no vpcd reader" << pcscdLog();
    }

    /// SIGTERM lets pcscd tidy up; SIGKILL is pcscd dying.
    void stopPcscd(int signal = SIGTERM) {
        if (!pcscd_) {
            return;
        }
        pcscd_->signal(signal);
        if (!pcscd_->wait(5s)) {
            pcscd_->signal(SIGKILL);
            pcscd_->wait(5s);
        }
        pcscd_.reset();
    }

    void startEmulator() {
        emulator_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{KOV450_EMU_PATH, "--headless", "--state",
                                     (state_.path() / "emulator").string(), "--pcsc"},
            std::vector<std::pair<std::string, std::string>>{
                {"MF_API_PORTS", ports_.path().string()},
                {"XDG_STATE_HOME", state_.path().string()}});
        ASSERT_TRUE(emulator_->waitForLine("ready:", 10s)) << emulator_->transcript();
    }

    /// Sends a console line and waits for a line that contains `expected`.
    void console(const std::string& line, const std::string& expected) {
        ASSERT_TRUE(consoleReplies(*emulator_, line, expected));
    }

    /// Takes the card away and waits until pcscd has seen it go.
    void takeAway(const std::string& card) {
        console("remove " + card, "no card for vpcd");
        ASSERT_TRUE(PcscWatch::waitForCard(kReader, false, 5s)) << pcscdLog();
    }
    void present(const std::string& card) {
        console("present " + card, "served over PC/SC");
        ASSERT_TRUE(PcscWatch::waitForCard(kReader, true, 5s)) << pcscdLog();
    }

    std::filesystem::path log() const { return logs_.path() / "pcscd.log"; }
    std::string pcscdLog() const {
        std::ifstream file(log());
        std::stringstream text;
        text << "\npcscd's log:\n" << file.rdbuf();
        return text.str();
    }

    TempFolder state_;
    TempFolder ports_;
    TempFolder logs_;
    std::unique_ptr<ChildProcess> pcscd_;
    std::unique_ptr<ChildProcess> emulator_;
};

/// A test with a PcscStack of its own.
class PcscTest : public ::testing::Test, protected PcscStack {
protected:
    void SetUp() override { start(); }
    void TearDown() override { MF_ExitComm(); }
};

} // namespace testing_support
