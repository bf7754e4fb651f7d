// libFuzzer target: the emulator's state file. Any text either parses or says what is wrong
// with it; a state that parses, given to a fresh reader and written again, parses to the same
// state, and that text is written again unchanged.
#include "emulator/state/StateFile.h"
#include "fuzz/Require.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>

namespace {

using fuzzing::require;

bool sameState(const kov450::SavedState& one, const kov450::SavedState& other) {
    if (!(one.settings == other.settings) || one.cards.size() != other.cards.size()) {
        return false;
    }
    for (std::size_t at = 0; at < one.cards.size(); ++at) {
        const kov450::CardSlot& card = one.cards[at];
        const kov450::CardSlot& otherCard = other.cards[at];
        if (card.inField != otherCard.inField || card.card.kind() != otherCard.card.kind() ||
            card.card.dump() != otherCard.card.dump()) {
            return false;
        }
    }
    return true;
}

/// The text a fresh reader given the state writes.
std::string written(const kov450::SavedState& state) {
    kov450::Reader reader;
    kov450::restoreState(reader, state);
    return kov450::stateText(reader);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parsed =
        kov450::parseStateText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (const auto* problem = std::get_if<std::string>(&parsed)) {
        require(!problem->empty());
        return 0;
    }
    const auto& state = std::get<kov450::SavedState>(parsed);
    const std::string text = written(state);
    const auto again = kov450::parseStateText(text);
    const auto* back = std::get_if<kov450::SavedState>(&again);
    require(back != nullptr && sameState(state, *back));
    require(written(*back) == text);
    return 0;
}
