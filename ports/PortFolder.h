#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace ports {

/// The folder of named ports: $MF_API_PORTS, else $XDG_RUNTIME_DIR/mf_api/ports, else
/// /tmp/mf_api-UID/ports. Port names live there as symbolic links to devices, the way Wine
/// keeps DOS device names, or as alias files naming another port.
std::filesystem::path portFolder();

/// Why `folder` cannot be trusted with port names, or nothing when it can. It must not be a
/// link, and it and every folder above it must belong to this user or root and be writable by
/// no one else; a folder above it may be writable by all when it is sticky, as /tmp is. This is
/// the rule OpenSSH applies to authorized_keys: anyone else who can put a name there can send
/// our keys to a reader of theirs. A folder that does not exist is safe: it names nothing.
std::optional<std::string> unsafeFolderReason(const std::filesystem::path& folder);

/// What a port folder entry leads to.
enum class EntryKind {
    Device,   ///< A character device: a serial port or a pty.
    Alias,    ///< A regular file itself (not a link to one): its first line names another port.
    Dangling, ///< Nothing: a link left behind by a reader that is gone.
    Other     ///< Anything else, which no reader of ours would have put there.
};

EntryKind entryKind(const std::filesystem::path& entry);

} // namespace ports
