#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kov450 {

/// Bytes as upper-case hex digits, two a byte, with `between` between the pairs.
std::string hexText(std::span<const std::uint8_t> bytes, std::string_view between = {});

/// Bytes of a text of hex digit pairs (either case); nothing when any character is not a hex
/// digit or a digit lacks its pair.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> bytesOfHexText(std::string_view text);

} // namespace kov450
