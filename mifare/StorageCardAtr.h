#pragma once

#include "mifare/Sectors.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace mifare {

// The ATR a PC/SC contactless reader builds for a storage card in its field: 3B 8n 80 01, then
// the historical bytes (category 80, application identifier 4F with RID A0 00 00 03 06, the
// standard, a card name of two bytes and four bytes for future use), and the check byte.

/// Card names of the storage-card ATR.
inline constexpr std::uint16_t kClassic1KName = 0x0001;
inline constexpr std::uint16_t kClassic4KName = 0x0002;
inline constexpr std::uint16_t kMiniName = 0x0026;

/// The historical bytes of an ATR, found by walking its interface bytes; nothing when the ATR
/// is too short for what its format byte announces.
[[nodiscard]] std::optional<std::span<const std::uint8_t>>
historicalBytes(std::span<const std::uint8_t> atr);

/// The card name of a storage card's ATR (00 01 for MIFARE Classic 1K); nothing for another
/// ATR.
[[nodiscard]] std::optional<std::uint16_t> storageCardName(std::span<const std::uint8_t> atr);

/// Whether the ATR has the form PC/SC readers give a card in a contactless slot: 3B 8n 80 01.
bool contactlessAtr(std::span<const std::uint8_t> atr);

/// The ATR of a MIFARE Classic card: standard 03 (ISO/IEC 14443-3 type A), its card name, four
/// zero bytes, and the check byte that makes the exclusive-or of every byte after TS zero.
std::vector<std::uint8_t> storageCardAtr(CardKind kind);

} // namespace mifare
