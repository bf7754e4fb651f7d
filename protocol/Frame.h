#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace protocol {

/// The two directions of the line. Each has its own start marker, so neither side can take the
/// other's frame (an echo, a loop-back) for one of its own.
enum class FrameKind : std::uint8_t { Request, Answer };

inline constexpr std::uint8_t kRequestMarker = 0xA5;
inline constexpr std::uint8_t kAnswerMarker = 0x5A;

/// The largest payload of any command (a write of four blocks: block, count, 64 data bytes).
inline constexpr std::size_t kMaxPayload = 80;

/// Bytes around the payload: marker, address, length, command, CRC (2); answers add a status.
inline constexpr std::size_t kRequestOverhead = 6;
inline constexpr std::size_t kAnswerOverhead = 7;

/// One frame of either direction. `status` is meaningful in answers only.
struct Frame {
    FrameKind kind = FrameKind::Request;
    std::uint8_t address = 0;
    std::uint8_t command = 0;
    std::int32_t status = 0;
    std::vector<std::uint8_t> payload;

    friend bool operator==(const Frame&, const Frame&) = default;
};

inline std::size_t overheadOf(FrameKind kind) {
    return kind == FrameKind::Request ? kRequestOverhead : kAnswerOverhead;
}

inline std::uint8_t markerOf(FrameKind kind) {
    return kind == FrameKind::Request ? kRequestMarker : kAnswerMarker;
}

} // namespace protocol
