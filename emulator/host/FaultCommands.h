#pragma once

#include "emulator/host/Console.h"
#include "emulator/host/LineFaults.h"

#include <optional>
#include <string>
#include <vector>

namespace kov450 {

/// The console verbs that make the emulated reader misbehave (noise, corrupt, drop, delay,
/// mute, vanish, ...), read into their FaultAction and done, and "faults", the pending ones.
/// Nothing when the first word is no fault verb.
[[nodiscard]] std::optional<ConsoleReply> faultCommand(const std::vector<std::string>& words,
                                                       LineFaults& faults);

/// The console's help with the fault verbs' lines added before its closing lines ("quit" and
/// the note under the list).
std::vector<std::string> withFaultHelp(std::vector<std::string> help);

} // namespace kov450
