#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace protocol {

/// The statuses a reader puts in its answers' status byte. The library passes them on as its own
/// codes (the library ties the two tables); it makes every other code itself.
namespace status {
inline constexpr std::int32_t kOk = 0;
inline constexpr std::int32_t kNoCard = 1;
inline constexpr std::int32_t kCardNoAnswer = 2;
inline constexpr std::int32_t kAuthFailed = 3;
inline constexpr std::int32_t kNotAuthenticated = 4;
inline constexpr std::int32_t kAccessDenied = 5;
inline constexpr std::int32_t kBadBlock = 6;
inline constexpr std::int32_t kNotSelected = 7;
inline constexpr std::int32_t kNotValueBlock = 8;
inline constexpr std::int32_t kBadParameter = 10;
inline constexpr std::int32_t kUnknownCommand = 11;
inline constexpr std::int32_t kNoValuePending = 12;

// The codes the host side makes itself: the library (port, line and argument errors) and the
// run-time binding (library or function missing). No reader ever answers them.
inline constexpr std::int32_t kPortBusy = 9;
inline constexpr std::int32_t kNotOpen = -1;
inline constexpr std::int32_t kTimeout = -2;
inline constexpr std::int32_t kBadFrame = -3;
inline constexpr std::int32_t kDeviceGone = -4;
inline constexpr std::int32_t kNoSuchPort = -5;
inline constexpr std::int32_t kPermission = -6;
inline constexpr std::int32_t kBadArgument = -7;
inline constexpr std::int32_t kIo = -8;
inline constexpr std::int32_t kBadSpeed = -9;
inline constexpr std::int32_t kUnsafePortFolder = -10;
inline constexpr std::int32_t kUnknownStatus = -11;
inline constexpr std::int32_t kNoService = -12;
inline constexpr std::int32_t kLibraryMissing = -100;
inline constexpr std::int32_t kFunctionMissing = -101;
} // namespace status

/// Whether a status byte is one a reader may answer: 0 to 12 but 9, which only the host gives
/// ("port busy").
constexpr bool isReaderStatus(std::int32_t code) {
    return code >= status::kOk && code <= status::kNoValuePending && code != 9;
}

/// The short meaning of a status, such as "authentication failed"; none for a code no table holds.
[[nodiscard]] std::optional<std::string_view> statusName(std::int32_t code);

/// The status with its meaning, such as "3 authentication failed", or the bare number.
[[nodiscard]] std::string statusText(std::int32_t code);

} // namespace protocol
