#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace kov450 {

/// Whether a request's payload has the length its command takes (docs/protocol.md, Commands);
/// nothing for a command the reader does not know. The reader checks this before anything else,
/// so that a short or long payload is never read as arguments.
std::optional<bool> payloadLengthFits(std::uint8_t command, std::span<const std::uint8_t> payload);

} // namespace kov450
