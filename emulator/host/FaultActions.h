#pragma once

#include "emulator/host/ActionResult.h"
#include "emulator/host/LineFaults.h"
#include "protocol/Command.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <variant>
#include <vector>

namespace kov450 {

/// The longest an answer is held back: longer than any answer timeout of the library, short
/// enough for a test to wait out.
inline constexpr std::chrono::milliseconds kLongestDelay{60000};

/// The most whole blocks a torn write keeps: the block in flight is the last one a call carries.
inline constexpr std::size_t kMostTornBlocks = protocol::kMaxBlocksPerCall - 1;

// What the console does to the line, one struct each (see LineFaults).

struct QueueNoise {
    std::vector<std::uint8_t> bytes;
};
struct CorruptNextAnswer {};
struct DropNextAnswer {};
/// 1 ms to kLongestDelay.
struct DelayNextAnswer {
    std::chrono::milliseconds delay{1};
};
struct MuteLine {
    bool on = true;
};
struct WrongLineSpeed {
    bool on = true;
};
struct PullAfterRead {};
/// 0 to kMostTornBlocks.
struct TearNextWrite {
    std::size_t blocks = 0;
};
struct VanishLine {};
/// Every fault but the line's own hook to vanish.
struct ClearFaults {};

using FaultAction =
    std::variant<QueueNoise, CorruptNextAnswer, DropNextAnswer, DelayNextAnswer, MuteLine,
                 WrongLineSpeed, PullAfterRead, TearNextWrite, VanishLine, ClearFaults>;

/// Puts the fault on the line, or says why not. The reader's thread alone may call this.
[[nodiscard]] ActionResult perform(LineFaults& faults, const FaultAction& action);

} // namespace kov450
