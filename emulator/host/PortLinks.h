#pragma once

#include "ports/SafeFolder.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kov450 {

/// The port folder to publish in, its missing folders made private (mode 0700) and the whole
/// judged as the library judges it (ports::SafeFolder). Throws std::runtime_error, saying why,
/// when it is one that another user could plant a port name in: the library would refuse to
/// look a name up there, and our readers' names would not be ours.
ports::SafeFolder openPortFolder(const std::filesystem::path& folder);

/// The reader's names in the port folder: one symbolic link per name to the pty, made at
/// construction, each in the folder that was judged, and taken away at destruction or by
/// withdraw() (only where the link still points to our pty).
class PortLinks {
public:
    /// Makes the links. Throws std::runtime_error when one cannot be made (an alias file of
    /// that name, say), after taking away those already made.
    PortLinks(ports::SafeFolder folder, const std::vector<std::string>& names,
              const std::filesystem::path& target);
    ~PortLinks();
    PortLinks(const PortLinks&) = delete;
    PortLinks& operator=(const PortLinks&) = delete;

    /// Takes the links away now: the pty is going.
    void withdraw();

    const std::filesystem::path& folder() const { return folder_.path(); }
    const std::vector<std::filesystem::path>& links() const { return links_; }

private:
    ports::SafeFolder folder_;
    std::filesystem::path target_;
    std::vector<std::string> names_;
    std::vector<std::filesystem::path> links_;
};

} // namespace kov450
