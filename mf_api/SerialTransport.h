#pragma once

#include "mf_api/Transport.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <variant>

namespace mfapi {

/// Opens a serial device (or a pty that stands in for one) held exclusively: flock plus
/// TIOCEXCL, so that another program's open is refused, never blocked. Raw 8N1, no flow control.
/// Gives the MF_API status that says why when it cannot.
std::variant<std::unique_ptr<Transport>, std::int32_t>
openSerialTransport(const std::filesystem::path& device, std::uint32_t bitsPerSecond);

} // namespace mfapi
