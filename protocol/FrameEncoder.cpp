#include "protocol/FrameEncoder.h"

#include "protocol/Crc16.h"

#include <span>

namespace protocol {

bool statusFitsWire(std::int32_t status) {
    return status >= -128 && status <= 127;
}

std::optional<std::vector<std::uint8_t>> encodeFrame(const Frame& frame) {
    if (frame.payload.size() > kMaxPayload) {
        return std::nullopt;
    }
    const bool answer = frame.kind == FrameKind::Answer;
    if (answer && !statusFitsWire(frame.status)) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(overheadOf(frame.kind) + frame.payload.size());
    bytes.push_back(markerOf(frame.kind));
    bytes.push_back(frame.address);
    bytes.push_back(static_cast<std::uint8_t>(frame.payload.size()));
    bytes.push_back(frame.command);
    if (answer) {
        // Two's complement byte: -4 travels as 0xFC and comes back as -4.
        bytes.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(frame.status)));
    }
    bytes.insert(bytes.end(), frame.payload.begin(), frame.payload.end());
    // The CRC covers everything after the marker; it travels high byte first.
    const std::uint16_t crc = crc16(std::span(bytes).subspan(1));
    bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
    bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    return bytes;
}

} // namespace protocol
