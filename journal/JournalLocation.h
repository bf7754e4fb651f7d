#pragma once

#include <filesystem>

namespace journal {

/// Where tagbench keeps its purchase journal: tagbench/purchases.csv in the user's state folder
/// ($XDG_STATE_HOME, else ~/.local/state; see ports::stateHome).
std::filesystem::path purchaseJournalPath();

} // namespace journal
