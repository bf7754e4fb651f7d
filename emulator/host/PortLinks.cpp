#include "emulator/host/PortLinks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <stdexcept>

namespace kov450 {

namespace fs = std::filesystem;

namespace {

/// Whether the entry is a link that leads to `target`.
bool linksTo(int folder, const std::string& name, const fs::path& target) {
    std::array<char, PATH_MAX> text{};
    const ssize_t length = ::readlinkat(folder, name.c_str(), text.data(), text.size());
    return length > 0 && static_cast<std::size_t>(length) < text.size() &&
           std::string_view(text.data(), static_cast<std::size_t>(length)) == target.native();
}

} // namespace

ports::SafeFolder openPortFolder(const fs::path& folder) {
    auto opened = ports::SafeFolder::make(folder);
    if (auto* problem = std::get_if<ports::FolderProblem>(&opened)) {
        throw std::runtime_error(
            problem->kind == ports::FolderProblem::Kind::Unsafe
                ? "the port folder is not safe to publish in: " + problem->reason +
                      " (set MF_API_PORTS to a folder of your own)"
                : "cannot make the port folder " + folder.string() + ": " + problem->reason);
    }
    return std::get<ports::SafeFolder>(std::move(opened));
}

PortLinks::PortLinks(ports::SafeFolder folder, const std::vector<std::string>& names,
                     const fs::path& target)
    : folder_(std::move(folder)), target_(target) {
    const int at = folder_.fd();
    for (const std::string& name : names) {
        struct stat entry {};
        // A link left by an emulator that was killed points to a pty that is gone.
        if (::fstatat(at, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(entry.st_mode)) {
            ::unlinkat(at, name.c_str(), 0);
        }
        if (::symlinkat(target.c_str(), at, name.c_str()) != 0) {
            const int error = errno;
            withdraw();
            throw std::runtime_error("cannot publish " + (folder_.path() / name).string() + ": " +
                                     std::strerror(error));
        }
        names_.push_back(name);
        links_.push_back(folder_.path() / name);
    }
}

PortLinks::~PortLinks() {
    withdraw();
}

void PortLinks::withdraw() {
    for (const std::string& name : names_) {
        if (linksTo(folder_.fd(), name, target_)) {
            ::unlinkat(folder_.fd(), name.c_str(), 0);
        }
    }
    names_.clear();
    links_.clear();
}

} // namespace kov450
