#pragma once

// The y/N question of a charge, asked on the terminal, with a deadline, ended by Ctrl-C.

#include "tagcard/Interrupt.h"

#include <chrono>
#include <string_view>

namespace tagcard {

enum class Answer { Yes, No, NoAnswerInTime, Interrupted };

/// Writes `question` to `output` and reads one line from `input`: y or yes (either case) is Yes,
/// anything else No; the end of input is No. Waits until `patience` has passed, or a signal.
/// A line longer than a few hundred characters is No, read to its end.
Answer askYesNo(int input, int output, std::string_view question,
                std::chrono::milliseconds patience, const InterruptSignals& interrupts);

} // namespace tagcard
