#pragma once

#include <cstdint>
#include <span>

namespace mfapi::pcsc {

/// The storage-card command a card or reader answered.
enum class CardStep { Uid, LoadKey, Authenticate, Read, Write };

/// The MF_API status of a response APDU's status word (its last two bytes). docs/pcsc.md holds
/// the table. An answer without a status word is a lost answer: the card stopped answering (2).
/// A read or write is sent only to a sector the library counts as authenticated, so whichever
/// word a reader uses to refuse it (63 00, 69 82, 69 86) the status is 5.
[[nodiscard]] std::int32_t statusOfAnswer(CardStep step, std::span<const std::uint8_t> answer);

} // namespace mfapi::pcsc
