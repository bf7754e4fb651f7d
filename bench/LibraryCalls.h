#pragma once

#include "Table.h"

namespace reader {
class MfApi;
}

namespace bench {

/// The round trip of each library call against kov450-emu over its pty: unpaced (the cost of
/// the library, the pty and the emulator) and paced at 9600 bit/s (against the wire time).
void measureLibraryCalls(reader::MfApi& api, Table& table);

} // namespace bench
