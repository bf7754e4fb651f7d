#pragma once

#include "emulator/model/Reader.h"
#include "emulator/state/FileDescriptor.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kov450 {

/// `$XDG_STATE_HOME/kov450-emu`, else `~/.local/state/kov450-emu`.
std::filesystem::path defaultStateFolder();

/// The state folder of one emulator: it holds the reader's EEPROM and wallet in `state.txt`,
/// written crash-safe after each completed change. One emulator at a time owns a folder (a lock
/// file says so), since two writers would undo each other's changes.
class StateStore {
public:
    static constexpr const char* kFileName = "state.txt";

    /// Creates the folder when needed and takes its lock; throws std::runtime_error when another
    /// emulator holds it or the folder cannot be made.
    explicit StateStore(std::filesystem::path folder);

    struct Loaded {
        /// Whether the reader now holds a saved state; when not, it is as fresh as it was.
        bool restored = false;
        /// Lines for the console: what was loaded, or what was wrong and where it was put.
        std::vector<std::string> messages;
    };
    /// Restores a fresh reader from the folder. An unreadable file is kept aside under another
    /// name (never deleted), and the reader is left fresh.
    [[nodiscard]] Loaded load(Reader& reader);

    /// Writes the state when it differs from what was written last; why not when the file
    /// system refused (the previous file is then intact).
    [[nodiscard]] std::optional<std::string> saveIfChanged(const Reader& reader);

    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path file() const { return folder_ / kFileName; }

private:
    std::filesystem::path folder_;
    FileDescriptor lock_;
    std::string lastSaved_;
};

} // namespace kov450
