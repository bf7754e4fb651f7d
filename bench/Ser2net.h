#pragma once

#include "Table.h"

namespace bench {

/// A one-block MF_Read through the real ser2net (docs/ser2net.yaml, raw TCP on loopback, in a
/// private network namespace) against the same call on the emulator's pty directly.
void measureSer2net(Table& table);

} // namespace bench
