#pragma once

#include "Table.h"

namespace bench {

/// The purchase journal with a long history (100,000 lines): the first read of a card, which
/// reads the whole journal once, and one purchase's lines (the open purchase looked up, then
/// asked, sending and written, each on disk), both against the auto read's 200 ms tick.
void measureJournalAppend(Table& table);

} // namespace bench
