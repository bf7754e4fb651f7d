#pragma once

#include "Table.h"

#include <string>

namespace bench {

/// Start-up of each program to its first shown window on a private Xvfb display, and its peak
/// memory (maximum resident set). Skipped where Xvfb or XCB is missing.
void measureStartUp(const std::string& binFolder, Table& table);

} // namespace bench
