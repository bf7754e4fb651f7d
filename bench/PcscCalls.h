#pragma once

#include "Table.h"

namespace reader {
class MfApi;
}

namespace bench {

/// A one-block MF_Read through our library on port pcsc against a bare loop of the same APDU
/// over SCardTransmit, in alternating batches of one run, against a real pcscd with kov450-emu
/// as the card in vpcd's reader. Needs pcsc_sandbox (scripts/bench runs kov-bench in it); the
/// row is skipped elsewhere.
void measurePcscCalls(reader::MfApi& api, Table& table);

} // namespace bench
