#pragma once

#include "mf_api/Backend.h"
#include "mf_api/PortName.h"

#include <cstdint>
#include <memory>

namespace mfapi {

/// Opens the reader the port leads to with the back end that speaks to it, or gives the
/// MF_API status of the failure. A serial line or TCP opens at one of the library's line speeds
/// (else -9); a PC/SC reader has none, and takes any.
Result<std::unique_ptr<Backend>> openBackend(const PortTarget& target, std::uint32_t bitsPerSecond);

} // namespace mfapi
