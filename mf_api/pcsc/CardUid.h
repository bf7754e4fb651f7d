#pragma once

#include "protocol/Messages.h"

#include <cstdint>
#include <optional>
#include <span>

namespace mfapi::pcsc {

/// The UID in the data of a Get Data (FF CA 00 00) answer, its status word taken off. A longer
/// UID (7 or 10 bytes) gives its first four bytes, as the first cascade level would; nothing
/// when the data is shorter than four bytes.
[[nodiscard]] std::optional<protocol::Uid> uidOfGetData(std::span<const std::uint8_t> data);

} // namespace mfapi::pcsc
