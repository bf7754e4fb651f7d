#pragma once

#include "mf_api/Result.h"
#include "mf_api/framed/Transport.h"

#include <asio/ip/tcp.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace mfapi::framed {

/// The addresses of `host`, looked up before the deadline, or an MF_API status: no such host is
/// MF_ERR_NO_SUCH_PORT, a name server that does not answer in time MF_ERR_TIMEOUT. The system's
/// lookup cannot be cancelled, so it runs on a thread of its own that the call leaves behind
/// when time is up; the thread ends when the lookup does.
Result<std::vector<asio::ip::tcp::endpoint>> lookUpHost(const std::string& host, std::uint16_t port,
                                                        Clock::time_point deadline);

} // namespace mfapi::framed
