#pragma once

#include "ports/SafeFolder.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ports {

/// The folder of named ports: $MF_API_PORTS, else $XDG_RUNTIME_DIR/mf_api/ports, else
/// mf_api/ports in the user's state folder (stateHome()), which no other user can make or
/// replace. Port names live there as symbolic links to devices, the way Wine keeps DOS device
/// names, or as alias files naming another port. Open it with SafeFolder::open().
std::filesystem::path portFolder();

/// The machine's port folder, where an administrator names ports once for every user. It is
/// looked in after the user's own, under the same rule, and nothing of ours ever writes there.
inline constexpr const char* kSystemPortFolder = "/etc/mf_api/ports";

/// The entry of the folder that is `name`, ignoring case.
[[nodiscard]] std::optional<std::string> findEntry(const SafeFolder& folder, std::string_view name);

/// What a port folder entry leads to.
enum class EntryKind {
    Device,   ///< A character device: a serial port or a pty.
    Alias,    ///< A regular file itself (not a link to one): its first line names another port.
    Dangling, ///< Nothing: a link left behind by a reader that is gone.
    Other     ///< Anything else, which no reader of ours would have put there.
};

EntryKind entryKind(const SafeFolder& folder, const std::string& entry);

} // namespace ports
