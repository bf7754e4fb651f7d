#include "emulator/window/ReaderSnapshot.h"

#include <algorithm>

namespace kov450 {

std::vector<Wiegand26> wiegandFramesBetween(const ReaderSnapshot& before,
                                            const ReaderSnapshot& after) {
    std::vector<Wiegand26> frames;
    if (after.state.wiegandMode == 0 || !after.state.rfOn) {
        return frames;
    }
    for (const CardSlot& slot : after.cards) {
        if (!slot.inField) {
            continue;
        }
        const Uid uid = slot.card.uid();
        const bool wasInField =
            std::any_of(before.cards.begin(), before.cards.end(),
                        [&](const CardSlot& old) { return old.inField && old.card.uid() == uid; });
        if (!wasInField) {
            frames.push_back(wiegand26(uid));
        }
    }
    return frames;
}

} // namespace kov450
