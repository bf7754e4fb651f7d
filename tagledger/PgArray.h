#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tagledger {

/// The values as a PostgreSQL array in its text form ({"a","b\"c"}), every element quoted, so
/// that a batch of lines goes as one parameter of one statement, never as SQL text.
std::string pgArrayLiteral(const std::vector<std::string>& values);

} // namespace tagledger
