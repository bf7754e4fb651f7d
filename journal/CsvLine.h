#pragma once

// One line of comma-separated values as RFC 4180 quotes it, which every spreadsheet opens.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace journal {

/// A field as it goes into a line: quoted, its quotes doubled, when it holds a comma, a quote or
/// a line break; as it is otherwise.
std::string csvField(std::string_view text);

/// The fields of one line without its line end; nothing when its quoting is broken, as in a line
/// cut inside a quoted field.
[[nodiscard]] std::optional<std::vector<std::string>> csvFields(std::string_view line);

} // namespace journal
