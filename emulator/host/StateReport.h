#pragma once

#include "emulator/model/Reader.h"

#include <string>
#include <vector>

namespace kov450 {

/// One line per visible change between two reader states (LEDs, buzzer, RF, Wiegand, address,
/// line speed, serial number, reset), each starting with "event: ".
std::vector<std::string> describeChanges(const ReaderState& before, const ReaderState& after);

/// The reader's whole state, several lines.
std::vector<std::string> describeReader(const ReaderState& state);

/// A card on one line: number (from 1), kind, UID, where it is, its state.
std::string describeCard(std::size_t index, const CardSlot& slot);

/// A card's memory, sector by sector, with each trailer's access conditions.
std::vector<std::string> describeSectors(const MifareClassic& card,
                                         std::optional<std::size_t> only);

} // namespace kov450
