#pragma once

#include <cstdint>
#include <vector>

namespace kov450 {

/// Faults a person or a test can put on the line from the console, applied to the next answer:
/// noise bytes ahead of it, or a broken CRC.
struct LineFaults {
    std::vector<std::uint8_t> noise;
    bool corruptNextAnswer = false;
};

} // namespace kov450
