#pragma once

#include <winscard.h>

#include <cstdint>

namespace mfapi::pcsc {

/// What a PC/SC call's failure means for the library.
enum class Failure {
    None,
    CardGone,    ///< The card left, was reset or stopped answering: 2.
    ServiceGone, ///< pcscd stopped or the reader went away: -4, the port is closed.
    Busy,        ///< Another program holds the reader or the card: 9.
    Timeout,     ///< -2.
    Other        ///< -8.
};

[[nodiscard]] Failure classify(LONG result);
/// The MF_API status of a failure (0 for None).
[[nodiscard]] std::int32_t statusOf(Failure failure);

} // namespace mfapi::pcsc
