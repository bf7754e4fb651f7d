#pragma once

#include <cstdint>

namespace reader {

/// The bus address both programs pass to every reader call: 0 reaches the reader on the port
/// whatever address it holds.
inline constexpr std::int32_t kDevice = 0;

} // namespace reader
