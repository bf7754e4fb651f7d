#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace testing_support {

/// What a test sees of pcscd through the PC/SC API, to wait for the state it needs: readers
/// appearing, a card arriving or leaving. Every wait is bounded and returns whether it came.
class PcscWatch {
public:
    /// The readers pcscd lists now (empty when it is not there).
    static std::vector<std::string> readers();
    /// Waits until pcscd lists a reader whose name contains `text`.
    static bool waitForReader(const std::string& text, std::chrono::milliseconds timeout);
    /// Waits until the reader (the first whose name contains `text`) holds a card, or none.
    static bool waitForCard(const std::string& text, bool present,
                            std::chrono::milliseconds timeout);
    /// Waits until no process serves the PC/SC API any more.
    static bool waitForNoService(std::chrono::milliseconds timeout);
};

} // namespace testing_support
