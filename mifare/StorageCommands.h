#pragma once

#include "mifare/Sectors.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace mifare {

// The storage-card commands (class FF) of the PC/SC standard that contactless readers carry out
// for a MIFARE Classic card, as command APDUs: class, instruction, P1, P2, then a length (Lc of
// the data that follows, or Le of the data expected back). docs/pcsc.md lists them.

using Apdu = std::vector<std::uint8_t>;
inline constexpr std::size_t kKeySize = 6;
using Key = std::array<std::uint8_t, kKeySize>;

inline constexpr std::uint8_t kStorageCardClass = 0xFF;
/// Where class, instruction, P1, P2 and the length byte stand in a command APDU.
inline constexpr std::size_t kClassAt = 0;
inline constexpr std::size_t kInstructionAt = 1;
inline constexpr std::size_t kP1At = 2;
inline constexpr std::size_t kP2At = 3;
inline constexpr std::size_t kLengthAt = 4;
inline constexpr std::size_t kHeaderSize = 5;

enum class Instruction : std::uint8_t {
    GetData = 0xCA,             ///< P1 00: the card's UID.
    LoadKeys = 0x82,            ///< P1 the key structure, P2 the key number, then the key.
    GeneralAuthenticate = 0x86, ///< Five bytes of data; see kAuthenticateVersion.
    Authenticate = 0x88,        ///< The older form: P2 the block, then key type and key number.
    ReadBinary = 0xB0,          ///< P2 the block, Le the bytes.
    UpdateBinary = 0xD6,        ///< P2 the block, Lc and the bytes.
};

constexpr std::uint8_t toByte(Instruction instruction) {
    return static_cast<std::uint8_t>(instruction);
}

/// A storage-card instruction's name ("Read binary"), for a person reading a trace; nothing for
/// an instruction not listed above.
[[nodiscard]] std::optional<std::string_view> nameOf(std::uint8_t instruction);

/// Get Data's P1 for the UID.
inline constexpr std::uint8_t kGetDataUid = 0x00;
/// Key type bytes of General Authenticate: MIFARE's own authentication with key A or key B.
inline constexpr std::uint8_t kKeyTypeA = 0x60;
inline constexpr std::uint8_t kKeyTypeB = 0x61;
/// Load Keys key structures: a card key sent plain into the reader's volatile key memory, and
/// the bits for non-volatile memory, a secured transmission and a reader key.
inline constexpr std::uint8_t kVolatileKey = 0x00;
inline constexpr std::uint8_t kNonVolatileKey = 0x20;
inline constexpr std::uint8_t kSecuredTransmission = 0x40;
inline constexpr std::uint8_t kReaderKey = 0x80;
/// General Authenticate's data: version 01, block address high and low, key type, key number.
inline constexpr std::uint8_t kAuthenticateVersion = 0x01;
inline constexpr std::uint8_t kAuthenticateDataSize = 5;

/// Get Data: the card's UID.
Apdu getUid();
Apdu loadKey(std::uint8_t structure, std::uint8_t keyNumber, const Key& key);
/// General Authenticate of the block's sector with key type kKeyTypeA or kKeyTypeB from the
/// reader's key location.
Apdu authenticate(std::uint8_t block, std::uint8_t keyType, std::uint8_t keyNumber);
/// Read Binary of one block.
Apdu readBlock(std::uint8_t block);
/// Update Binary of one block.
Apdu writeBlock(std::uint8_t block, std::span<const std::uint8_t, kBlockSize> data);

} // namespace mifare
