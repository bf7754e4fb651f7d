#pragma once

#include "ports/SafeFolder.h"

#include <string>
#include <string_view>
#include <variant>

namespace ports {

/// Why an alias file gives no port name.
enum class AliasRefusal {
    Unsafe, ///< Not a regular file of ours or root's, or writable by someone else.
    Empty   ///< No name on its first line, or a first line longer than any port name.
};

/// The port name an alias file's text gives: its first line, spaces and a carriage return around
/// it dropped; a first line longer than any path is no name.
[[nodiscard]] std::variant<std::string, AliasRefusal> aliasTarget(std::string_view text);

/// The port name of the alias file `entry` of the port folder (aliasTarget of its first line).
/// The file is opened relative to the folder without following a link, and trusted under the
/// folder's own rule (trustedFile). At most a path's length is read.
[[nodiscard]] std::variant<std::string, AliasRefusal> readAlias(const SafeFolder& folder,
                                                                const std::string& entry);

} // namespace ports
