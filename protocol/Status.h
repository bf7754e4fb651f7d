#pragma once

#include <cstdint>

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
} // namespace status

/// Whether a status byte is one a reader may answer: 0 to 12 but 9, which only the host gives
/// ("port busy").
constexpr bool isReaderStatus(std::int32_t code) {
    return code >= status::kOk && code <= status::kNoValuePending && code != 9;
}

} // namespace protocol
