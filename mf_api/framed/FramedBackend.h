#pragma once

#include "mf_api/Backend.h"
#include "mf_api/PortName.h"

#include <chrono>
#include <cstdint>
#include <memory>

namespace mfapi::framed {

/// Opens the reader on a serial line (or a pty standing in for one) with the back end that
/// speaks our framed protocol to it, at one of the library's line speeds; `margin` is what each
/// exchange allows the reader beyond the wire time. Gives the MF_API status of a failure.
Result<std::unique_ptr<Backend>> openFramedBackend(const DevicePort& device,
                                                   std::uint32_t bitsPerSecond,
                                                   std::chrono::milliseconds margin);
/// The same over a raw TCP connection (ser2net and the like).
Result<std::unique_ptr<Backend>> openFramedBackend(const TcpPort& tcp, std::uint32_t bitsPerSecond,
                                                   std::chrono::milliseconds margin);

} // namespace mfapi::framed
