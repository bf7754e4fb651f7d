#pragma once

#include <cstdint>

namespace panel {

/// The bus address of every panel call: 0 reaches the reader on the port whatever address it
/// holds.
inline constexpr std::int32_t kDevice = 0;

} // namespace panel
