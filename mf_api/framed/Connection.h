#pragma once

#include "mf_api/Result.h"
#include "mf_api/framed/Transport.h"
#include "protocol/Command.h"
#include "protocol/FrameDecoder.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

namespace mfapi::framed {

/// What one command brought back: the status (the reader's, or a host-side one) and, on
/// success, the answer's payload.
using Reply = Result<std::vector<std::uint8_t>>;

/// Time allowed for one exchange: the wire time of the request and of the longest answer at
/// the line speed, plus a margin for the reader (and any network) to turn around.
std::chrono::microseconds exchangeTimeout(std::size_t requestBytes, std::uint32_t bitsPerSecond,
                                          std::chrono::milliseconds margin);

/// The status a reader's answer carries, as a caller may take it: the reader's own codes pass,
/// anything else (a host-side code, a code of a newer reader) is MF_ERR_UNKNOWN_STATUS, so that
/// no reader can pass for the library ("library missing") or the port ("port busy").
[[nodiscard]] std::int32_t statusFromReader(std::int32_t wireStatus);

/// The command layer over one open port: one request out, one answer back, in bounded time.
/// Not thread-safe by itself; the exported functions hold the library's lock around it.
class Connection {
public:
    Connection(std::unique_ptr<Transport> transport, std::uint32_t bitsPerSecond,
               std::chrono::milliseconds margin);

    Reply exchange(std::uint8_t address, protocol::Command command,
                   const std::vector<std::uint8_t>& payload);

    /// Follows the reader to a new line speed.
    [[nodiscard]] std::int32_t changeLineSpeed(std::uint32_t bitsPerSecond);

    /// After end of file or EIO the device is gone and the connection is of no more use.
    bool gone() const { return gone_; }

private:
    Reply awaitAnswer(std::uint8_t command, Clock::time_point deadline);

    std::unique_ptr<Transport> transport_;
    std::uint32_t bitsPerSecond_;
    std::chrono::milliseconds margin_;
    protocol::FrameDecoder decoder_{protocol::FrameKind::Answer};
    bool gone_ = false;
};

} // namespace mfapi::framed
