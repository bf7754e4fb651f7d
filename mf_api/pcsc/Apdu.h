#pragma once

#include "protocol/Messages.h"

#include <cstdint>
#include <span>
#include <vector>

namespace mfapi::pcsc {

// The PC/SC storage-card commands (class FF) that contactless readers carry out for a MIFARE
// Classic card. docs/pcsc.md lists them.

using Apdu = std::vector<std::uint8_t>;

/// Key type bytes of General Authenticate.
inline constexpr std::uint8_t kKeyTypeA = 0x60;
inline constexpr std::uint8_t kKeyTypeB = 0x61;
/// Load Keys key structures: into the reader's volatile or non-volatile key memory.
inline constexpr std::uint8_t kVolatileKey = 0x00;
inline constexpr std::uint8_t kNonVolatileKey = 0x20;
/// The volatile key location MF_LoadKey fills.
inline constexpr std::uint8_t kVolatileKeyNumber = 0x00;

/// Get Data: the card's UID.
Apdu getUid();
Apdu loadKey(std::uint8_t structure, std::uint8_t keyNumber, const protocol::Key& key);
/// General Authenticate of the block's sector with key type 0x60 (A) or 0x61 (B) from the
/// reader's key location.
Apdu authenticate(std::uint8_t block, std::uint8_t keyType, std::uint8_t keyNumber);
/// Read Binary of one 16-byte block.
Apdu readBlock(std::uint8_t block);
/// Update Binary of one 16-byte block.
Apdu writeBlock(std::uint8_t block, std::span<const std::uint8_t, protocol::kBlockSize> data);

} // namespace mfapi::pcsc
