#include "journal/JournalLocation.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace journal {

namespace fs = std::filesystem;

namespace {

fs::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0) {
        return home;
    }
    if (const passwd* entry = ::getpwuid(::getuid());
        entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return "/";
}

} // namespace

fs::path purchaseJournalPath() {
    fs::path state;
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg != nullptr && *xdg == '/') {
        state = xdg;
    } else {
        state = homeFolder() / ".local" / "state";
    }
    return state / "tagbench" / "purchases.csv";
}

} // namespace journal
