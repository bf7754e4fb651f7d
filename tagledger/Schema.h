#pragma once

#include <string_view>
#include <vector>

namespace tagledger {

/// The schema's migrations in order: the database at version N has run the first N. A new
/// version appends one; a published one never changes.
const std::vector<std::string_view>& schemaMigrations();

} // namespace tagledger
