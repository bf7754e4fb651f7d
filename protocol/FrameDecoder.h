#pragma once

#include "protocol/Frame.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace protocol {

/// What the decoder made of the bytes fed so far.
struct DecodeResult {
    std::vector<Frame> frames;
    /// Candidate frames whose header looked right but whose CRC did not match.
    std::size_t badFrames = 0;
    /// Bytes dropped as noise (including those of bad frames).
    std::size_t skippedBytes = 0;
};

/// Incremental decoder for one direction of the line. Feed it bytes as they arrive; it returns
/// every complete frame with a valid CRC, in order. It holds at most one frame's worth of bytes:
/// a length above kMaxPayload or a CRC mismatch drops the start marker and the search goes on
/// from the next byte, so a real frame hidden behind noise is still found. A candidate still
/// waiting for bytes gives way to a complete, valid frame that starts later in the buffer.
class FrameDecoder {
public:
    explicit FrameDecoder(FrameKind kind) : kind_(kind) {}

    [[nodiscard]] DecodeResult feed(std::span<const std::uint8_t> bytes);

    /// Forgets any partial frame (the host flushes its input before each command).
    void reset() { pending_.clear(); }

    std::size_t pendingBytes() const { return pending_.size(); }

private:
    enum class Attempt { Complete, Incomplete, Invalid };
    [[nodiscard]] Attempt tryParse(std::size_t at, Frame& frame) const;
    void dropFront(std::size_t count, DecodeResult& result);

    FrameKind kind_;
    std::vector<std::uint8_t> pending_;
};

} // namespace protocol
