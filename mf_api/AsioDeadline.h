#pragma once

#include "mf_api/Transport.h"

#include <asio.hpp>

#include <cerrno>
#include <optional>

namespace mfapi {

struct IoOutcome {
    asio::error_code error;
    std::size_t bytes = 0;
    bool timedOut = false;
};

/// Runs one asynchronous operation on `io` until it completes or the deadline passes; on expiry
/// it cancels the operation and drains the context, so that nothing refers to the caller's
/// buffers afterwards. `start` receives the completion handler to pass to the operation.
template <typename Stream, typename Start>
IoOutcome runUntil(asio::io_context& io, Stream& stream, Clock::time_point deadline, Start start) {
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

inline IoResult classify(const IoOutcome& outcome) {
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

} // namespace mfapi
