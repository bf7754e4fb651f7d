#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kov450 {

/// The reader's names in the port folder: one symbolic link per name to the pty, made at
/// construction and removed at destruction (only where the link still points to our pty).
class PortLinks {
public:
    /// Throws std::filesystem::filesystem_error when a link cannot be made.
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
