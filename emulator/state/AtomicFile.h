#pragma once

#include <filesystem>
#include <span>
#include <string_view>

namespace kov450 {

/// Replaces `path` with `contents` so that a crash at any moment leaves either the old file or
/// the new one, never a mix: a temporary file in the same folder is written and synced, renamed
/// over `path`, and the folder is synced so that the rename itself lasts. Throws
/// std::system_error when the file system refuses; `path` is then as it was. The new file gets
/// `permissions` (private to the user unless asked otherwise).
void writeFileAtomically(const std::filesystem::path& path, std::span<const char> contents,
                         unsigned permissions = 0600);

inline void writeTextAtomically(const std::filesystem::path& path, std::string_view contents,
                                unsigned permissions = 0600) {
    writeFileAtomically(path, std::span<const char>(contents.data(), contents.size()), permissions);
}

/// Whether a file name is one of our temporary files, left behind by a killed writer.
bool isAtomicTemporary(const std::filesystem::path& name);

} // namespace kov450
