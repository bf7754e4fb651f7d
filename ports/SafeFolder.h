#pragma once

#include "ports/FileDescriptor.h"

#include <filesystem>
#include <string>
#include <variant>

namespace ports {

/// Why a folder was not opened.
struct FolderProblem {
    enum class Kind {
        Missing, ///< A folder of the path does not exist (nothing can be named in it).
        Unsafe,  ///< Someone other than this user or root could put a name in it.
        Failed   ///< The system refused to open or examine a folder of the path.
    };
    Kind kind = Kind::Failed;
    std::string reason; ///< Names the folder and what is wrong with it.
};

/// A folder opened once and judged on its descriptor: it is not a link, it and every folder
/// above it belong to this user or root, and no one else may write to them (a sticky folder
/// above it, as /tmp is, excepted, as long as what lies in it is ours or root's). This is the
/// rule OpenSSH applies to authorized_keys. Each step of the path is opened relative to the
/// folder above it, so a folder renamed or replaced meanwhile is never the one used: whatever
/// is reached through fd() lies in the folder that was judged. A link on the way is followed
/// only where it lies in a folder that passes, and is ours or root's.
class SafeFolder {
public:
    /// Opens `path`, which must be absolute.
    [[nodiscard]] static std::variant<SafeFolder, FolderProblem>
    open(const std::filesystem::path& path);
    /// Opens `path`, first making each missing folder of it private (mode 0700), each in the
    /// folder above it once that one has passed. Folders that exist are left as they are.
    [[nodiscard]] static std::variant<SafeFolder, FolderProblem>
    make(const std::filesystem::path& path);

    const std::filesystem::path& path() const { return path_; }
    /// Open for reading its entries; use it with openat() and its kin.
    int fd() const { return fd_.get(); }

private:
    [[nodiscard]] static std::variant<SafeFolder, FolderProblem>
    walk(const std::filesystem::path& path, bool make);
    SafeFolder(std::filesystem::path path, FileDescriptor fd)
        : path_(std::move(path)), fd_(std::move(fd)) {}

    std::filesystem::path path_;
    FileDescriptor fd_;
};

/// Whether a file opened in a safe folder may be believed: a regular file of this user or
/// root that no one else may write.
[[nodiscard]] bool trustedFile(int fd);

} // namespace ports
