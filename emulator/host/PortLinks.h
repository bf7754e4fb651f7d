#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kov450 {

/// Makes the folders of `folder` that are missing, each one private (mode 0700), and leaves
/// those that exist as they are. Throws std::runtime_error when a folder cannot be made, or when
/// the folder is one that another user could plant a port name in (ports::unsafeFolderReason):
/// the library would refuse to look a name up there, and our readers' names would not be ours.
void preparePortFolder(const std::filesystem::path& folder);

/// The reader's names in the port folder: one symbolic link per name to the pty, made at
/// construction and removed at destruction (only where the link still points to our pty).
class PortLinks {
public:
    /// Prepares the folder (preparePortFolder), then makes the links. Throws
    /// std::runtime_error or std::filesystem::filesystem_error when that fails.
    PortLinks(const std::filesystem::path& folder, const std::vector<std::string>& names,
              const std::filesystem::path& target);
    ~PortLinks();
    PortLinks(const PortLinks&) = delete;
    PortLinks& operator=(const PortLinks&) = delete;

    const std::vector<std::filesystem::path>& links() const { return links_; }

private:
    void removeLinks();

    std::filesystem::path target_;
    std::vector<std::filesystem::path> links_;
};

} // namespace kov450
