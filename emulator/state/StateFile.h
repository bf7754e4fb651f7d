#pragma once

#include "emulator/model/Reader.h"

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kov450 {

/// What lasts of a reader across runs: its settings (the rest of its state keeps its power-up
/// values) and its wallet of cards, each with its memory and whether it lies in the field.
struct SavedState {
    ReaderSettings settings;
    std::vector<CardSlot> cards;
};

/// The state file's text. Line based, so that a person can read it and a diff shows a change
/// (the settings' lines as LastingSettings.h lists them, then the cards):
///
///     kov450-emu state 1
///     address 0
///     line-speed 9600
///     serial 3030303030303031          (8 bytes in hex)
///     version 4B4F56...                (the version text in hex)
///     key T S FFFFFFFFFFFF             (32 lines: key store type index T 0..1, slot S 0..15)
///     wiegand MODE FORMAT
///     card 1K|4K field|away            (then one line of 32 hex digits per block)
///     end
std::string stateText(const Reader& reader);

/// Parses a state file's text; a message saying what is wrong when it is not one.
[[nodiscard]] std::variant<SavedState, std::string> parseStateText(std::string_view text);

/// Gives a fresh reader the saved EEPROM and cards.
void restoreState(Reader& reader, const SavedState& saved);

} // namespace kov450
