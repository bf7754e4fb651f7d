#pragma once

#include "emulator/model/Reader.h"
#include "emulator/model/Wiegand.h"

#include <vector>

namespace kov450 {

/// A copy of what the window shows of the reader, taken on the reader's thread and handed to
/// the window's thread, so that the two never share the model itself.
struct ReaderSnapshot {
    ReaderState state;
    std::vector<CardSlot> cards;
};

/// Wiegand frames the reader sent between two snapshots: one for each card that entered the
/// field while the field was on and the Wiegand output enabled.
std::vector<Wiegand26> wiegandFramesBetween(const ReaderSnapshot& before,
                                            const ReaderSnapshot& after);

} // namespace kov450
