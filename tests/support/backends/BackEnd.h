#pragma once

// A scenario written once and run over every back end by which our MF_API reaches kov450-emu's
// card: TEST_P on BackEndTest or OpenBackEndTest, instantiated over allBackEnds(). Where back
// ends truly differ, the scenario reads the difference from the back end's description.

#include "e2e/ChildProcess.h"
#include "e2e/EmulatorConsole.h"

#include <MF_API.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace testing_support {

/// One back end running for one test: the emulator and its card where the library reaches them.
class BackEndSession {
public:
    BackEndSession() = default;
    BackEndSession(const BackEndSession&) = delete;
    BackEndSession& operator=(const BackEndSession&) = delete;
    virtual ~BackEndSession() = default;

    /// Starts everything and points the library at it; skips, saying why, where it cannot run.
    virtual void start() = 0;
    virtual ChildProcess& emulator() = 0;
    /// Takes the card out of the field; the back end may not have seen it go yet.
    virtual void remove(const std::string& card) = 0;
    /// Waits until the back end has seen the card go.
    virtual void waitUntilGone() = 0;
    /// Puts the card in the field and waits until the back end has it.
    virtual void present(const std::string& card) = 0;
    /// Checks that what the library stored in the key store was kept where this back end keeps it.
    virtual void expectKeysKept() = 0;
};

/// A back end and what the scenarios expect of it where back ends differ.
struct BackEnd {
    /// The test name's last part.
    std::string name;
    /// The port the library opens, and another name of the same reader.
    std::string port;
    std::string portAlias;
    /// What the reader's own functions (address, line speed, serial number, reset, buzzer,
    /// LEDs, RF, Wiegand) answer: MF_OK, or MF_ERR_UNKNOWN_COMMAND where the reader has none.
    std::int32_t readerFunctions;
    /// What the reader's version text begins with.
    std::string version;
    /// What another program opening the reader gets while this one has the port open but has
    /// asked for no card yet: 9 where the open port holds the reader, 0 where only a card
    /// session does.
    std::int32_t openBeforeACardSession;
    std::unique_ptr<BackEndSession> (*session)();
};

/// Every back end, each scenario runs over all of them.
std::vector<BackEnd> allBackEnds();

inline void PrintTo(const BackEnd& backEnd, std::ostream* out) {
    *out << backEnd.name;
}

inline std::string backEndName(const ::testing::TestParamInfo<BackEnd>& info) {
    return info.param.name;
}

/// A scenario over one back end, started for the test.
class BackEndTest : public ::testing::TestWithParam<BackEnd> {
protected:
    void SetUp() override {
        session_ = GetParam().session();
        session_->start();
    }

    /// Sends a console line and waits for a reply line that contains `expected`.
    void console(const std::string& line, const std::string& expected) {
        ASSERT_TRUE(consoleReplies(session_->emulator(), line, expected));
    }
    /// Takes the card away and waits until the back end has seen it go.
    void takeAway(const std::string& card) {
        ASSERT_NO_FATAL_FAILURE(session_->remove(card));
        ASSERT_NO_FATAL_FAILURE(session_->waitUntilGone());
    }

    std::unique_ptr<BackEndSession> session_;
};

/// A scenario with the library's port open on the back end for the whole test.
class OpenBackEndTest : public BackEndTest {
protected:
    void SetUp() override {
        BackEndTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        ASSERT_EQ(MF_InitComm(GetParam().port.c_str(), 9600), MF_OK);
    }

    void TearDown() override { EXPECT_EQ(MF_ExitComm(), MF_OK); }
};

} // namespace testing_support
