#pragma once

#include <filesystem>

namespace ports {

/// The user's folder for state that lasts: $XDG_STATE_HOME when it is an absolute path (the XDG
/// base directory rules ignore a relative one), else ~/.local/state, the home folder taken from
/// $HOME when it is absolute, else from the password database.
std::filesystem::path stateHome();

} // namespace ports
