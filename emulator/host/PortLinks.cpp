#include "emulator/host/PortLinks.h"

#include "ports/PortFolder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace kov450 {

namespace fs = std::filesystem;

void preparePortFolder(const fs::path& folder) {
    // Each missing folder is made private at once: no moment in which another user could put
    // a name in it. A folder that exists is someone's choice, and is only checked.
    fs::path step;
    for (const fs::path& part : folder) {
        step /= part;
        if (::mkdir(step.c_str(), 0700) != 0 && errno != EEXIST) {
            throw std::runtime_error("cannot make the port folder " + step.string() + ": " +
                                     std::strerror(errno));
        }
    }
    if (const auto reason = ports::unsafeFolderReason(folder)) {
        throw std::runtime_error("the port folder is not safe to publish in: " + *reason +
                                 " (set MF_API_PORTS to a folder of your own)");
    }
}

PortLinks::PortLinks(const fs::path& folder, const std::vector<std::string>& names,
                     const fs::path& target)
    : target_(target) {
    preparePortFolder(folder);
    std::error_code ignored;
    try {
        for (const std::string& name : names) {
            const fs::path link = folder / name;
            // A link left by an emulator that was killed points to a pty that is gone.
            if (fs::is_symlink(fs::symlink_status(link, ignored))) {
                fs::remove(link, ignored);
            }
            fs::create_symlink(target, link);
            links_.push_back(link);
        }
    } catch (...) {
        removeLinks();
        throw;
    }
}

PortLinks::~PortLinks() {
    removeLinks();
}

void PortLinks::removeLinks() {
    for (const fs::path& link : links_) {
        std::error_code error;
        if (fs::read_symlink(link, error) == target_ && !error) {
            fs::remove(link, error);
        }
    }
    links_.clear();
}

} // namespace kov450
