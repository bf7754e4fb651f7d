#pragma once

#include "protocol/Messages.h"

#include <cstdint>
#include <optional>
#include <span>

namespace mfapi::pcsc {

/// The historical bytes of an ATR, found by walking its interface bytes; nothing when the ATR
/// is too short for what its format byte announces.
std::optional<std::span<const std::uint8_t>> historicalBytes(std::span<const std::uint8_t> atr);

/// The card name bytes of a contactless storage card's ATR as PC/SC readers build it (category
/// 80, application identifier with RID A0 00 00 03 06), e.g. 00 01 for MIFARE Classic 1K.
std::optional<std::uint16_t> storageCardName(std::span<const std::uint8_t> atr);

/// Whether the ATR has the form PC/SC readers give a card in a contactless slot: 3B 8n 80 01.
bool contactlessAtr(std::span<const std::uint8_t> atr);

/// The ATQA (low byte first) and SAK that the card answers on the air, for the MIFARE Classic
/// cards the ATR names (1K, 4K, Mini); nothing for any other card.
std::optional<protocol::CardTypeBytes> cardTypeFromAtr(std::span<const std::uint8_t> atr);

/// How many blocks the card has, from its ATR: 64 (1K), 256 (4K), 20 (Mini), else 256 so that
/// the card itself judges the block.
std::size_t blockCountFromAtr(std::span<const std::uint8_t> atr);

} // namespace mfapi::pcsc
