#pragma once

#include "mf_api/Result.h"
#include "mf_api/framed/Transport.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace mfapi::framed {

/// Connects to a reader served raw over TCP, within `timeout`. The line speed is the serving
/// end's business; setLineSpeed accepts every supported speed and changes nothing here.
Result<std::unique_ptr<Transport>> openTcpTransport(const std::string& host, std::uint16_t port,
                                                    std::chrono::milliseconds timeout);

} // namespace mfapi::framed
