#include "ports/PortFolder.h"

#include "ports/StateHome.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <memory>

namespace ports {

namespace fs = std::filesystem;

namespace {

bool equalIgnoringCase(std::string_view left, std::string_view right) {
    return left.size() == right.size() &&
           std::equal(left.begin(), left.end(), right.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

} // namespace

fs::path portFolder() {
    if (const char* folder = std::getenv("MF_API_PORTS"); folder != nullptr && *folder != 0) {
        return folder;
    }
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != 0) {
        return fs::path(runtime) / "mf_api" / "ports";
    }
    // Not /tmp: any user can make a folder there first, and its names would then be theirs.
    return stateHome() / "mf_api" / "ports";
}

std::optional<std::string> findEntry(const SafeFolder& folder, std::string_view name) {
    // A descriptor of its own: the listing moves its offset and closes it at the end.
    const int listed = ::openat(folder.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listed < 0) {
        return std::nullopt;
    }
    const std::unique_ptr<DIR, int (*)(DIR*)> entries(::fdopendir(listed), ::closedir);
    if (!entries) {
        ::close(listed);
        return std::nullopt;
    }
    while (const dirent* entry = ::readdir(entries.get())) {
        const std::string_view found = entry->d_name;
        if (found != "." && found != ".." && equalIgnoringCase(found, name)) {
            return std::string(entry->d_name);
        }
    }
    return std::nullopt;
}

EntryKind entryKind(const SafeFolder& folder, const std::string& entry) {
    struct stat info {};
    if (::fstatat(folder.fd(), entry.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return EntryKind::Dangling;
    }
    // Only the file itself can be an alias: a link to a file could lead anywhere.
    if (S_ISREG(info.st_mode)) {
        return EntryKind::Alias;
    }
    if (::fstatat(folder.fd(), entry.c_str(), &info, 0) != 0) {
        return errno == ENOENT ? EntryKind::Dangling : EntryKind::Other;
    }
    return S_ISCHR(info.st_mode) ? EntryKind::Device : EntryKind::Other;
}

} // namespace ports
