#pragma once

#include <string>
#include <string_view>

namespace text {

/// A line as it may go to a terminal or into a file a terminal may show: control characters
/// (C0, DEL, and C1 as UTF-8 writes them) shown as \xNN, so that text typed or named by a user
/// cannot break a line, move the cursor, retitle the window or ring. Everything else, UTF-8
/// letters included, is kept.
std::string printable(std::string_view text);

} // namespace text
