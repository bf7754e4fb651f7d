#include "ports/StateHome.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace ports {

std::filesystem::path stateHome() {
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg != nullptr && *xdg == '/') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home != '/') {
        const passwd* entry = ::getpwuid(::geteuid());
        home = entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "/";
    }
    return std::filesystem::path(home) / ".local" / "state";
}

} // namespace ports
