#pragma once

#include "protocol/Messages.h"

#include <cstdint>
#include <optional>
#include <span>

namespace mfapi::pcsc {

/// The ATQA (low byte first) and SAK that the card answers on the air, for the MIFARE Classic
/// cards the ATR names (1K, 4K, Mini); nothing for any other card.
[[nodiscard]] std::optional<protocol::CardTypeBytes>
cardTypeFromAtr(std::span<const std::uint8_t> atr);

/// How many blocks the card has, from its ATR: 64 (1K), 256 (4K), 20 (Mini), else 256 so that
/// the card itself judges the block.
std::size_t blockCountFromAtr(std::span<const std::uint8_t> atr);

} // namespace mfapi::pcsc
