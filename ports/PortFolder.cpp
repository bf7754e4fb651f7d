#include "ports/PortFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace ports {

namespace fs = std::filesystem;

namespace {

std::string failure(const fs::path& path, int error) {
    return path.string() + ": " + std::strerror(error);
}

bool ownedByUsOrRoot(const struct stat& info) {
    return info.st_uid == ::geteuid() || info.st_uid == 0;
}

bool writableByOthers(const struct stat& info) {
    return (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

} // namespace

fs::path portFolder() {
    if (const char* folder = std::getenv("MF_API_PORTS"); folder != nullptr && *folder != 0) {
        return folder;
    }
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != 0) {
        return fs::path(runtime) / "mf_api" / "ports";
    }
    return fs::path("/tmp") / ("mf_api-" + std::to_string(::getuid())) / "ports";
}

std::optional<std::string> unsafeFolderReason(const fs::path& folder) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        return errno == ENOENT ? std::nullopt : std::optional(failure(folder, errno));
    }
    if (S_ISLNK(info.st_mode)) {
        return folder.string() + " is a symbolic link";
    }
    if (!S_ISDIR(info.st_mode)) {
        return folder.string() + " is not a folder";
    }
    // The folder itself holds the names: sticky or not, no one else may add one.
    if (writableByOthers(info)) {
        return folder.string() + " is writable by other users";
    }
    std::error_code error;
    const fs::path real = fs::canonical(folder, error);
    if (error) {
        return folder.string() + ": " + error.message();
    }
    for (fs::path step = real;; step = step.parent_path()) {
        if (::stat(step.c_str(), &info) != 0) {
            return failure(step, errno);
        }
        if (!ownedByUsOrRoot(info)) {
            return step.string() + " belongs to another user";
        }
        if (writableByOthers(info) && (info.st_mode & S_ISVTX) == 0) {
            return step.string() + " is writable by other users";
        }
        if (step == step.parent_path()) {
            return std::nullopt;
        }
    }
}

EntryKind entryKind(const fs::path& entry) {
    struct stat info {};
    // Only the file itself can be an alias: a link to a file could lead anywhere.
    if (::lstat(entry.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        return EntryKind::Alias;
    }
    if (::stat(entry.c_str(), &info) != 0) {
        return errno == ENOENT ? EntryKind::Dangling : EntryKind::Other;
    }
    return S_ISCHR(info.st_mode) ? EntryKind::Device : EntryKind::Other;
}

} // namespace ports
