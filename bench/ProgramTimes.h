#pragma once

#include "Table.h"

namespace reader {
class MfApi;
}

namespace bench {

/// The two windows against the paced emulator: the polls per second tagpoll sustains, card
/// arrival to its log line, and card arrival to the purchase's confirmation in tagbench.
/// Needs a QApplication.
void measurePrograms(reader::MfApi& api, Table& table);

} // namespace bench
