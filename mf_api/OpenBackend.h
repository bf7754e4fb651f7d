#pragma once

#include "mf_api/Backend.h"
#include "mf_api/PortName.h"

#include <cstdint>
#include <memory>
#include <variant>

namespace mfapi {

/// Opens the reader the port leads to with the back end that speaks to it, or gives the
/// MF_API status of the failure.
std::variant<std::unique_ptr<Backend>, std::int32_t> openBackend(const PortTarget& target,
                                                                 std::uint32_t bitsPerSecond);

} // namespace mfapi
