#pragma once

// Another user (nobody) acting beside a test that runs as root, in a private /tmp.

#include "e2e/AsUser.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace testing_support {

/// As nobody: a pty of their own, and a folder `made` whose ports/ holds COM1, USB and EVIL,
/// links to the pty. Then, if `swapTo` is given, renames `made` to it and back until killed.
inline pid_t startStranger(const std::filesystem::path& made,
                           const std::filesystem::path& swapTo = {}) {
    int ready[2];
    if (::pipe(ready) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child != 0) {
        ::close(ready[1]);
        char byte = 0;
        const bool started = ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
        return started ? child : -1;
    }
    ::close(ready[0]);
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
        ::_exit(1);
    }
    // Opened as nobody, so that the terminal is theirs.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::mkdir(made.c_str(), 0755) != 0 || ::mkdir((made / "ports").c_str(), 0755) != 0) {
        ::_exit(1);
    }
    for (const char* name : {"COM1", "USB", "EVIL"}) {
        if (::symlink(::ptsname(master), (made / "ports" / name).c_str()) != 0) {
            ::_exit(1);
        }
    }
    [[maybe_unused]] const ssize_t said = ::write(ready[1], "+", 1);
    while (!swapTo.empty()) {
        ::rename(made.c_str(), swapTo.c_str());
        ::rename(swapTo.c_str(), made.c_str());
    }
    ::pause();
    ::_exit(0);
}

inline void stopStranger(pid_t child) {
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

/// Tests in which another user (nobody) acts in a private /tmp. They need root.
class AnotherUser : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "skipped: playing another user (nobody) and a private /tmp need root";
        }
    }
    /// Runs `act` in a private /tmp; skips where the namespace cannot be made.
    template <typename Act> void inPrivateTmp(Act act) {
        const auto said = testing_support::inPrivateTmp(act);
        if (said && said->starts_with("no private /tmp")) {
            GTEST_SKIP() << "skipped: " << *said;
        }
        EXPECT_EQ(said, std::nullopt);
    }
};

} // namespace testing_support
