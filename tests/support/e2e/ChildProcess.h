#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

/// A program run by a test, with its standard input and output (and error) on pipes. It dies
/// with the test process, and the destructor kills and reaps it whatever happened.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv,
                 const std::vector<std::pair<std::string, std::string>>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    /// The next output line, or nothing when none came within the timeout (or output ended).
    std::optional<std::string> readLine(std::chrono::milliseconds timeout);
    /// Reads lines until one contains `text`; returns it, or nothing on timeout.
    std::optional<std::string> waitForLine(const std::string& text,
                                           std::chrono::milliseconds timeout);
    void writeLine(const std::string& line);
    void closeInput();
    void signal(int number);
    /// Waits for the end; the exit status, or nothing when it did not end in time.
    std::optional<int> wait(std::chrono::milliseconds timeout);
    /// Everything read so far, for failure messages.
    const std::string& transcript() const { return transcript_; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::string buffered_;
    std::string transcript_;
    std::optional<int> status_;
};

} // namespace testing_support
