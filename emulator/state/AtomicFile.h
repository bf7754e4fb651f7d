#pragma once

#include <filesystem>
#include <span>
#include <string_view>

namespace kov450 {

/// Replaces `path` with `contents` so that a crash at any moment leaves either the old file or
/// the new one, never a mix: a temporary file in the same folder is written and synced, renamed
/// over `path`, and the folder is synced so that the rename itself lasts. Throws
/// std::system_error when the file system refuses; `path` is then as it was.
void writeFileAtomically(const std::filesystem::path& path, std::span<const char> contents);

inline void writeTextAtomically(const std::filesystem::path& path, std::string_view contents) {
    writeFileAtomically(path, std::span<const char>(contents.data(), contents.size()));
}

/// Whether a file name is one of our temporary files, left behind by a killed writer.
bool isAtomicTemporary(const std::filesystem::path& name);

} // namespace kov450
