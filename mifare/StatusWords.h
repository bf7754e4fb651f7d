#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace mifare {

/// Status words (SW1 SW2, the last two bytes of a response APDU) that PC/SC readers give for
/// the storage-card commands, by their meaning in ISO/IEC 7816-4 and the PC/SC standard. Some
/// words mean more than one thing, by command; the comment names Load Keys' meaning.
enum class StatusWord : std::uint16_t {
    Success = 0x9000,
    EndReached = 0x6282,     ///< End of the data (the card, the UID) before the bytes asked for.
    NoInformation = 0x6300,  ///< Failed, nothing more said (a refused authentication).
    ExecutionError = 0x6400, ///< Memory unchanged.
    MemoryFailure = 0x6581,  ///< Memory failure.
    WrongLength = 0x6700,    ///< Lc or Le wrong.
    SecurityNotSatisfied = 0x6982,
    AuthenticationBlocked = 0x6983,        ///< Method blocked; Load Keys: reader key not supported.
    ReferenceDataUnusable = 0x6984,        ///< The key cannot be used.
    ConditionsNotSatisfied = 0x6985,       ///< Load Keys: secured transmission not supported.
    CommandNotAllowed = 0x6986,            ///< General Authenticate: key type not known.
    NonVolatileMemoryUnavailable = 0x6987, ///< Load Keys: the reader has no such key memory.
    KeyNumberInvalid = 0x6988,
    KeyLengthIncorrect = 0x6989, ///< Load Keys: not a key of 6 bytes.
    FunctionNotSupported = 0x6A81,
    NotFound = 0x6A82,        ///< No such block.
    WrongParameters = 0x6B00, ///< P1 or P2 wrong.
    InstructionNotSupported = 0x6D00,
    ClassNotSupported = 0x6E00,
    NoPreciseDiagnosis = 0x6F00,
};

/// SW1 of "wrong Le": SW2 then gives the length the card has.
inline constexpr std::uint8_t kWrongLeFirstByte = 0x6C;

/// "Wrong Le", with the length the card has.
constexpr std::array<std::uint8_t, 2> wrongLe(std::uint8_t available) {
    return {kWrongLeFirstByte, available};
}

/// The status word that ends an answer, or nothing when the answer is too short to have one.
[[nodiscard]] std::optional<std::uint16_t> statusWordOf(std::span<const std::uint8_t> answer);

/// A status word's meaning in a few words ("security status not satisfied"), for a person
/// reading a trace; nothing for a word not listed above.
[[nodiscard]] std::optional<std::string_view> meaningOf(std::uint16_t word);

/// A status word's two bytes, SW1 first.
constexpr std::array<std::uint8_t, 2> bytesOf(StatusWord word) {
    const auto value = static_cast<std::uint16_t>(word);
    return {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value & 0xFF)};
}

} // namespace mifare
