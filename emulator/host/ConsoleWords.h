#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kov450 {

// How the console reads its lines: words split at blanks, verbs in any case, plain numbers.

std::vector<std::string> wordsOf(std::string_view line);

std::string lowered(std::string text);

/// A whole word of decimal digits, or nothing.
[[nodiscard]] std::optional<unsigned> number(const std::string& word);

} // namespace kov450
