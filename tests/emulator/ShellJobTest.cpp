// kov450-emu as a job of an interactive shell on a terminal of the test's own: started with `&`,
// brought back with `fg`, ended by the terminal closing.
#include "e2e/LineClient.h"
#include "e2e/TempFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

/// bash, interactive and with job control, as a terminal window runs it: the session leader
/// with a pty of its own as controlling terminal. Closing the terminal hangs it up.
class InteractiveShell {
public:
    explicit InteractiveShell(const std::vector<std::pair<std::string, std::string>>& environment) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
            return;
        }
        const std::string slave = ::ptsname(master_);
        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent || ::setsid() < 0) {
                ::_exit(127);
            }
            const int terminal = ::open(slave.c_str(), O_RDWR);
            if (terminal < 0 || ::ioctl(terminal, TIOCSCTTY, 0) != 0) {
                ::_exit(127);
            }
            for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
                ::dup2(terminal, fd);
            }
            ::close(terminal);
            ::clearenv();
            for (const auto& [name, value] : environment) {
                ::setenv(name.c_str(), value.c_str(), 1);
            }
            ::execl("/bin/bash", "bash", "--norc", "--noprofile", "--noediting", "-i", nullptr);
            ::_exit(127);
        }
    }
    ~InteractiveShell() { end(); }
    InteractiveShell(const InteractiveShell&) = delete;
    InteractiveShell& operator=(const InteractiveShell&) = delete;

    bool started() const { return pid_ > 0; }

    void type(const std::string& line) {
        const std::string text = line + "\n";
        if (master_ >= 0) {
            [[maybe_unused]] const ssize_t written = ::write(master_, text.data(), text.size());
        }
    }

    /// Reads the terminal until `text` shows after what was found before; what followed it up
    /// to that point, or nothing on timeout.
    std::optional<std::string> waitFor(const std::string& text, std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            if (const auto at = screen_.find(text, consumed_); at != std::string::npos) {
                consumed_ = at + text.size();
                return screen_.substr(consumed_);
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd ready{master_, POLLIN, 0};
            if (left.count() <= 0 || master_ < 0) {
                return std::nullopt;
            }
            if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
                continue;
            }
            std::array<char, 4096> chunk{};
            const ssize_t got = ::read(master_, chunk.data(), chunk.size());
            if (got > 0) {
                screen_.append(chunk.data(), static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                return std::nullopt;
            }
        }
    }

    /// Hangs up and kills the shell, and waits for its end.
    void end() {
        hangUp();
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

    /// Closes the terminal, as closing its window does.
    void hangUp() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

    const std::string& screen() const { return screen_; }

private:
    int master_ = -1;
    pid_t pid_ = -1;
    std::string screen_;
    std::size_t consumed_ = 0;
};

/// The process state letter in /proc/PID/stat: 'T' for stopped.
char processState(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() ? '?' : line[close + 2];
}

template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

TEST(ShellJob, InTheBackgroundItServesTheReaderAndAfterFgItsConsoleToo) {
    if (!fs::exists("/bin/bash")) {
        GTEST_SKIP() << "skipped: no /bin/bash to run the emulator as a job";
    }
    testing_support::TempFolder ports;
    testing_support::TempFolder state;
    InteractiveShell shell({{"PATH", "/usr/bin:/bin"},
                            {"HOME", state.path().string()},
                            {"TERM", "dumb"},
                            {"PS1", "test-shell$ "},
                            {"MF_API_PORTS", ports.path().string()}});
    // A job that outlives its shell is the test's to reap, not the machine's init's.
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    ASSERT_TRUE(shell.started());
    ASSERT_TRUE(shell.waitFor("test-shell$ ", 10s)) << shell.screen();
    // With tostop, even a background job's output would stop it (SIGTTOU).
    shell.type("stty tostop");
    // As the README's recipe has it, headless here for want of a display.
    shell.type(std::string(KOV450_EMU_PATH) + " --headless --port COM1 --state " +
               (state.path() / "emu").string() + " & echo job-$((1))=$!");
    // The echo of the typed line shows $((1)), the shell's output 1.
    const auto afterJob = shell.waitFor("job-1=", 10s);
    ASSERT_TRUE(afterJob && shell.waitFor("\n", 5s)) << shell.screen();
    const pid_t emulator = std::stoi(*afterJob);
    ASSERT_GT(emulator, 0) << shell.screen();

    const fs::path link = ports.path() / "COM1";
    ASSERT_TRUE(eventually([&] { return fs::is_symlink(fs::symlink_status(link)); }, 10s))
        << shell.screen();
    const auto answer = line_client::askAddress(link, 5s);
    ASSERT_TRUE(answer) << "no answer from the reader in the background, state "
                        << processState(emulator) << "\n"
                        << shell.screen();
    EXPECT_EQ(answer->payload, std::vector<std::uint8_t>{0});
    EXPECT_NE(processState(emulator), 'T');
    EXPECT_TRUE(shell.waitFor("console: kov450-emu runs in the background", 5s)) << shell.screen();

    // The shell reads the terminal for other commands meanwhile: the emulator must leave the
    // shell's open terminal as it was (blocking), or the shell resets it under the emulator.
    shell.type("echo between-$((2))");
    EXPECT_TRUE(shell.waitFor("between-2", 5s)) << shell.screen();
    EXPECT_TRUE(line_client::askAddress(link, 5s)) << shell.screen();

    // In the foreground, the console reads the terminal again, and the reader still answers.
    shell.type("fg");
    shell.type("cards");
    EXPECT_TRUE(shell.waitFor("card 1: 1K A1B2C3D4", 5s)) << shell.screen();
    EXPECT_TRUE(line_client::askAddress(link, 5s)) << shell.screen();

    // Closing the terminal hangs the emulator up: it ends and takes its link away.
    shell.hangUp();
    const bool gone = eventually([&] { return !fs::is_symlink(fs::symlink_status(link)); }, 10s);
    EXPECT_TRUE(gone) << "the link outlived the terminal";
    if (!gone) {
        ::kill(emulator, SIGKILL); // not to outlive the test
    }
    shell.end();
    ::waitpid(emulator, nullptr, 0); // ours now, unless the shell reaped it
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
}

} // namespace
