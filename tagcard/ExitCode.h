#pragma once

// tagcard's exit statuses, which scripts branch on: documented in --help, tagcard(1) and the
// README, so they never change meaning.

#include <cstdint>
#include <string_view>

namespace tagcard {

enum class ExitCode : int {
    Done = 0,
    Usage = 1,          ///< a bad command line or bad input; nothing was touched
    NoCard = 2,         ///< no card in the field, or the card stopped answering (taken away)
    LibraryStatus = 3,  ///< the library or reader answered a failing status
    Declined = 4,       ///< the operator said no (or nothing in time): nothing written
    OutcomeUnknown = 5, ///< a write's answer was lost: the card may hold either value
    CreditRefused = 6,  ///< the credit is below 2, smaller than the amount, or would pass 255
    NotWritten = 7,     ///< the journal or a dump file could not be written
};

/// The status an interrupted run ends with, as a shell reports a signal: 128 + its number.
constexpr int interruptedExit(int signal) {
    return 128 + signal;
}

/// The exit status of a failing library status: NoCard when no card answered or the card
/// stopped answering, LibraryStatus otherwise.
constexpr ExitCode exitCodeOf(std::int32_t status) {
    return status == 1 || status == 2 ? ExitCode::NoCard : ExitCode::LibraryStatus;
}

/// The table of exit statuses, for --help.
inline constexpr std::string_view kExitStatusHelp =
    "Exit status:\n"
    "  0    done\n"
    "  1    usage error or bad input (nothing was touched)\n"
    "  2    no card in the field, or the card stopped answering (taken away)\n"
    "  3    a library status: printed with its number and meaning\n"
    "  4    declined: the operator said no, or did not answer within a minute\n"
    "  5    outcome unknown: a write's answer was lost; read the card again\n"
    "  6    credit refused: below 2, smaller than the amount, or raised past 255\n"
    "  7    not written: the purchase journal or the dump file could not be written\n"
    "  130  interrupted (Ctrl-C); 143 on SIGTERM, 129 on SIGHUP\n";

} // namespace tagcard
