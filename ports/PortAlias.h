#pragma once

#include <filesystem>
#include <string>
#include <variant>

namespace ports {

/// Why an alias file gives no port name.
enum class AliasRefusal {
    Unsafe, ///< Not a regular file of ours or root's, or writable by someone else.
    Empty   ///< No name on its first line, or a first line longer than any port name.
};

/// The port name on the first line of an alias file in the port folder, spaces and a carriage
/// return around it dropped. The file is trusted under the folder's own rule: opened without
/// following a link, it must be a regular file owned by this user or root and writable by no
/// one else. At most a path's length is read.
std::variant<std::string, AliasRefusal> readAlias(const std::filesystem::path& file);

} // namespace ports
