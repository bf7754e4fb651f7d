#pragma once

#include <cstdint>

namespace mfapi {

/// What a step of the library gave: an MF_API status and, when it is 0 (MF_OK), the value.
/// Every fallible step inside the library fails this way (a step without a value gives the
/// status alone), whether it carries out a reader operation or opens the port for one, so that
/// the exports hand the status on as it is.
template <typename T> struct [[nodiscard]] Result {
    std::int32_t status = 0;
    T value{};
};

} // namespace mfapi
