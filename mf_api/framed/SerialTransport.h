#pragma once

#include "mf_api/PortName.h"
#include "mf_api/Result.h"
#include "mf_api/framed/Transport.h"

#include <cstdint>
#include <memory>

namespace mfapi::framed {

/// Opens a serial device (or a pty that stands in for one) held exclusively: flock plus
/// TIOCEXCL, so that another program's open is refused, never blocked. Raw 8N1, no flow control.
/// A port folder entry is opened relative to its folder, and must lead to a character device of
/// this user or root: a link left behind by a reader that is gone may lead to someone else's
/// terminal by now. Gives the MF_API status that says why when it cannot.
Result<std::unique_ptr<Transport>> openSerialTransport(const DevicePort& device,
                                                       std::uint32_t bitsPerSecond);

} // namespace mfapi::framed
