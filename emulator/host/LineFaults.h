#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kov450 {

/// Faults a person or a test can put on the line from the console. The one-shot ones apply to
/// the next answer (or the next read or write); `mute` and `wrongSpeed` hold until switched off.
struct LineFaults {
    std::vector<std::uint8_t> noise;              ///< bytes sent ahead of the next answer
    bool corruptNextAnswer = false;               ///< break the next answer's CRC
    bool dropNextAnswer = false;                  ///< lose the next answer on the line
    std::chrono::milliseconds delayNextAnswer{0}; ///< hold the next answer back this long
    bool mute = false;                            ///< the reader ignores every request
    bool wrongSpeed = false;                      ///< answers leave at another line speed
    bool pullAfterRead = false;                   ///< cards leave the field after a read
    std::optional<std::size_t> tearNextWrite;     ///< blocks written before power is lost
    std::function<void()> vanish;                 ///< closes the line now; set by its host
};

} // namespace kov450
