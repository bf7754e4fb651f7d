#pragma once

// Ctrl-C, SIGTERM and SIGHUP as an event tagcard waits on beside its deadlines, so that every
// wait ends cleanly: the port closed, the journal's lines as the purchase left them, a summary.

#include <chrono>
#include <optional>

namespace tagcard {

/// While it lives, SIGINT, SIGTERM and SIGHUP are caught instead of ending the program, and
/// SIGPIPE is ignored (a closed output is seen as a failed write). One at a time.
class InterruptSignals {
public:
    InterruptSignals();
    ~InterruptSignals();
    InterruptSignals(const InterruptSignals&) = delete;
    InterruptSignals& operator=(const InterruptSignals&) = delete;

    /// The signal caught, if one was.
    std::optional<int> caught() const;

    /// A descriptor that turns readable once a signal is caught, to poll beside another.
    int fd() const;

    /// Waits for `duration`; false when a signal came first (or had come).
    bool pause(std::chrono::milliseconds duration) const;
};

} // namespace tagcard
