#pragma once

#include "Table.h"

namespace bench {

/// tagledger against a PostgreSQL server of the benchmark's own (Unix socket, fsync on): the
/// push of a 100,000-line journal, and a day's report over 100,000 sales.
void measureLedger(Table& table);

} // namespace bench
