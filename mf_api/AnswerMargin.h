#pragma once

#include <chrono>

namespace mfapi {

/// What every port allows a reader (and any network or service between) to turn around, on top
/// of the time its bytes take: $MF_API_ANSWER_MARGIN_MS (0 to 10000), or 250 ms.
std::chrono::milliseconds answerMargin(const char* setting);

} // namespace mfapi
