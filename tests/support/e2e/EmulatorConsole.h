#pragma once

#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace testing_support {

/// Types `line` on a running kov450-emu's console and waits for a reply line that contains
/// `expected`; the failure shows everything the emulator printed.
inline testing::AssertionResult consoleReplies(ChildProcess& emulator, const std::string& line,
                                               const std::string& expected) {
    emulator.writeLine(line);
    if (emulator.waitForLine(expected, std::chrono::seconds(5))) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "no '" << expected << "' after '" << line << "':\n"
                                       << emulator.transcript();
}

} // namespace testing_support
