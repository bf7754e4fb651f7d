#include "mf_api/framed/Connection.h"

#include "protocol/FrameEncoder.h"
#include "protocol/Status.h"
#include "protocol/WireTime.h"

#include <MF_API.h>

#include <array>

namespace mfapi::framed {

std::chrono::microseconds exchangeTimeout(std::size_t requestBytes, std::uint32_t bitsPerSecond,
                                          std::chrono::milliseconds margin) {
    const std::size_t longestAnswer = protocol::kAnswerOverhead + protocol::kMaxPayload;
    return protocol::wireTime(requestBytes + longestAnswer, bitsPerSecond) + margin;
}

std::int32_t statusFromReader(std::int32_t wireStatus) {
    return protocol::isReaderStatus(wireStatus) ? wireStatus : MF_ERR_UNKNOWN_STATUS;
}

Connection::Connection(std::unique_ptr<Transport> transport, std::uint32_t bitsPerSecond,
                       std::chrono::milliseconds margin)
    : transport_(std::move(transport)), bitsPerSecond_(bitsPerSecond), margin_(margin) {
}

Reply Connection::exchange(std::uint8_t address, protocol::Command command,
                           const std::vector<std::uint8_t>& payload) {
    const auto bytes = protocol::encodeFrame(protocol::Frame{
        protocol::FrameKind::Request, address, protocol::toByte(command), 0, payload});
    if (!bytes) {
        return {MF_ERR_BAD_ARGUMENT, {}};
    }
    const auto deadline = Clock::now() + exchangeTimeout(bytes->size(), bitsPerSecond_, margin_);
    // Whatever arrived before our request cannot be its answer.
    transport_->discardInput();
    decoder_.reset();
    switch (transport_->writeAll(*bytes, deadline)) {
    case IoResult::Done:
        break;
    case IoResult::TimedOut:
        return {MF_ERR_TIMEOUT, {}};
    case IoResult::Gone:
        gone_ = true;
        return {MF_ERR_DEVICE_GONE, {}};
    case IoResult::Failed:
        return {MF_ERR_IO, {}};
    }
    return awaitAnswer(protocol::toByte(command), deadline);
}

Reply Connection::awaitAnswer(std::uint8_t command, Clock::time_point deadline) {
    std::array<std::uint8_t, 256> buffer{};
    std::size_t badFrames = 0;
    for (;;) {
        // A peer that never stops sending must not keep the call here past its limit.
        if (Clock::now() >= deadline) {
            return {badFrames > 0 ? MF_ERR_BAD_FRAME : MF_ERR_TIMEOUT, {}};
        }
        std::size_t received = 0;
        switch (transport_->readSome(buffer, received, deadline)) {
        case IoResult::Done:
            break;
        case IoResult::TimedOut:
            // Only garbage came back: the answer was there but broken.
            return {badFrames > 0 ? MF_ERR_BAD_FRAME : MF_ERR_TIMEOUT, {}};
        case IoResult::Gone:
            gone_ = true;
            return {MF_ERR_DEVICE_GONE, {}};
        case IoResult::Failed:
            return {MF_ERR_IO, {}};
        }
        auto decoded = decoder_.feed(std::span(buffer).first(received));
        badFrames += decoded.badFrames;
        for (protocol::Frame& frame : decoded.frames) {
            // An answer to another command is a late one from an earlier, timed-out call.
            if (frame.command == command) {
                return {statusFromReader(frame.status), std::move(frame.payload)};
            }
        }
    }
}

std::int32_t Connection::changeLineSpeed(std::uint32_t bitsPerSecond) {
    const std::int32_t status = transport_->setLineSpeed(bitsPerSecond);
    if (status == MF_OK) {
        bitsPerSecond_ = bitsPerSecond;
    }
    return status;
}

} // namespace mfapi::framed
