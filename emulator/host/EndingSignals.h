#pragma once

#include <asio.hpp>

#include <string>
#include <vector>

namespace kov450 {

/// The signals that end the emulator as `quit` does, its port links removed: each one whose
/// default action ends a process and that a user, the terminal, the shell or the system sends
/// (HUP, INT, QUIT, TERM, ALRM, USR1, USR2, VTALRM, PROF, IO, PWR, STKFLT, XCPU and the
/// real-time signals). Not the signals that report a fault of the program itself (SEGV, BUS,
/// FPE, ILL, ABRT, TRAP, SYS): after one nothing is safe to run, and its core dump is worth
/// more; the next emulator replaces the links such an end leaves.
std::vector<int> endingSignals();

/// Ignores the signals that must neither stop nor end the emulator: PIPE (its console prints
/// to standard output, which may be a closed pipe), TTIN and TTOU (started in the background
/// of a shell, the console cannot use the terminal; the reader goes on) and XFSZ (a state
/// file past the file size limit fails to be written, as on a full disk, and says so).
void ignoreHarmlessSignals();

/// "SIGHUP" for SIGHUP, "SIGRTMIN+1" for a real-time signal.
std::string signalName(int number);

/// Stops the loop when one of endingSignals() comes, as `quit` does, and tells which one came.
class EndOnSignals {
public:
    explicit EndOnSignals(asio::io_context& io);
    EndOnSignals(const EndOnSignals&) = delete;
    EndOnSignals& operator=(const EndOnSignals&) = delete;

    /// "kov450-emu: ending", and on which signal when one ended the loop.
    std::string endingLine() const;

private:
    asio::signal_set signals_;
    int endedBy_ = 0;
};

} // namespace kov450
