#pragma once

#include <filesystem>

namespace journal {

/// Where tagbench keeps its purchase journal: $XDG_STATE_HOME/tagbench/purchases.csv, else
/// ~/.local/state/tagbench/purchases.csv. A relative $XDG_STATE_HOME is ignored, as the XDG base
/// directory rules ask; the home folder comes from $HOME, else the password database.
std::filesystem::path purchaseJournalPath();

} // namespace journal
