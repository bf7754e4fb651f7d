#include "emulator/host/PortLinks.h"

#include <system_error>

namespace kov450 {

namespace fs = std::filesystem;

PortLinks::PortLinks(const fs::path& folder, const std::vector<std::string>& names,
                     const fs::path& target)
    : target_(target) {
    fs::create_directories(folder);
    // The folder may hold names of other users' readers: keep it private where we made it.
    std::error_code ignored;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ignored);
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
