#pragma once

#include "protocol/Codes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace kov450 {

/// Key A or key B of a sector, as the messages name them.
using protocol::KeyType;

/// The access condition of one block group, the three bits C1 C2 C3 read as the number
/// C1*4 + C2*2 + C3 (so the transport configuration of a trailer, 0 0 1, is 1).
using Condition = std::uint8_t;

/// Conditions of the four groups of a sector: data groups 0 to 2, then the trailer (group 3).
using SectorConditions = std::array<Condition, 4>;

/// Decodes trailer bytes 6 to 8. Nothing when a bit and its inverted copy disagree: a card
/// then blocks the sector for good.
std::optional<SectorConditions> decodeAccessBits(std::span<const std::uint8_t, 3> bytes);

/// Trailer bytes 6 to 8 for the given conditions.
std::array<std::uint8_t, 3> encodeAccessBits(const SectorConditions& conditions);

/// Operations on a data block, as the card's access table lists them.
enum class DataOperation { Read, Write, Increment, DecrementTransferRestore };

bool dataAllowed(Condition condition, DataOperation operation, KeyType key);

/// Parts of a sector trailer, as the card's access table lists them.
enum class TrailerPart { KeyARead, KeyAWrite, AccessRead, AccessWrite, KeyBRead, KeyBWrite };

bool trailerAllowed(Condition trailer, TrailerPart part, KeyType key);

/// Where key B may be read it is plain data and cannot serve for authentication.
bool keyBReadable(Condition trailer);

} // namespace kov450
