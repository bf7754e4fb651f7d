#pragma once

#include "protocol/Frame.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace protocol {

/// The wire bytes of a frame, or nothing when the frame cannot be sent: a payload longer than
/// kMaxPayload, or an answer status outside the signed byte that carries it.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> encodeFrame(const Frame& frame);

/// A status fits the wire when it is a signed byte (every code but the binding-only ones).
bool statusFitsWire(std::int32_t status);

} // namespace protocol
