#pragma once

#include "e2e/ChildProcess.h"
#include "e2e/TempFolder.h"

#include <memory>
#include <string>
#include <vector>

namespace bench {

/// kov450-emu on a port folder of the benchmark's own, which the library is pointed at.
class Emulator {
public:
    /// Starts it, paced or not; throws std::runtime_error when it does not come up.
    explicit Emulator(bool paced);
    ~Emulator();
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    /// Sends a console line and waits for a reply that contains `expected`.
    void console(const std::string& line, const std::string& expected);
    /// Sends a console line without waiting.
    void send(const std::string& line);

private:
    testing_support::TempFolder ports_;
    std::unique_ptr<testing_support::ChildProcess> process_;
};

/// Median of the samples (they are sorted in place); 0 for none.
double median(std::vector<double>& samples);

} // namespace bench
