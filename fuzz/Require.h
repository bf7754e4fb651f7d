#pragma once

#include <cstdlib>

namespace fuzzing {

/// A property every input must keep: abort, so that libFuzzer keeps the input that broke it.
inline void require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

} // namespace fuzzing
