#pragma once

#include "mf_api/framed/Transport.h"

#include <asio.hpp>

#include <cerrno>
#include <optional>
#include <span>

namespace mfapi::framed {

struct IoOutcome {
    asio::error_code error;
    std::size_t bytes = 0;
    bool timedOut = false;
};

/// Runs one asynchronous operation on `io` until it completes or the deadline passes; on expiry
/// it cancels the operation and drains the context, so that nothing refers to the caller's
/// buffers afterwards. `start` receives the completion handler to pass to the operation.
template <typename Stream, typename Start>
[[nodiscard]] IoOutcome runUntil(asio::io_context& io, Stream& stream, Clock::time_point deadline,
                                 Start start) {
    std::optional<IoOutcome> done;
    start([&done](const asio::error_code& error, std::size_t bytes) {
        done = IoOutcome{error, bytes, false};
    });
    io.restart();
    io.run_until(deadline);
    if (!done) {
        asio::error_code ignored;
        stream.cancel(ignored);
        io.restart();
        io.run();
    }
    if (!done || done->error == asio::error::operation_aborted) {
        return IoOutcome{{}, 0, true};
    }
    return *done;
}

[[nodiscard]] inline IoResult classify(const IoOutcome& outcome) {
    if (outcome.timedOut) {
        return IoResult::TimedOut;
    }
    const asio::error_code& error = outcome.error;
    if (!error) {
        return IoResult::Done;
    }
    if (error == asio::error::eof || error == asio::error::connection_reset ||
        error == asio::error::broken_pipe ||
        (error.category() == asio::system_category() &&
         (error.value() == EIO || error.value() == ENXIO || error.value() == ENODEV))) {
        return IoResult::Gone;
    }
    return IoResult::Failed;
}

/// Writes every byte to the stream before the deadline.
template <typename Stream>
[[nodiscard]] IoResult writeAllBefore(asio::io_context& io, Stream& stream,
                                      std::span<const std::uint8_t> bytes,
                                      Clock::time_point deadline) {
    return classify(runUntil(io, stream, deadline, [&](auto handler) {
        asio::async_write(stream, asio::buffer(bytes.data(), bytes.size()), handler);
    }));
}

/// Reads what the stream has, at least one byte, before the deadline; `received` says how many.
template <typename Stream>
[[nodiscard]] IoResult readSomeBefore(asio::io_context& io, Stream& stream,
                                      std::span<std::uint8_t> buffer, std::size_t& received,
                                      Clock::time_point deadline) {
    const IoOutcome outcome = runUntil(io, stream, deadline, [&](auto handler) {
        stream.async_read_some(asio::buffer(buffer.data(), buffer.size()), handler);
    });
    received = outcome.bytes;
    return classify(outcome);
}

} // namespace mfapi::framed
