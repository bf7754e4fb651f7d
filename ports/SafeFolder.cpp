#include "ports/SafeFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <optional>

namespace ports {

namespace fs = std::filesystem;

namespace {

/// The kernel's own bound on links met while walking one path.
constexpr int kMostLinks = 40;

bool ownedByUsOrRoot(const struct stat& info) {
    return info.st_uid == ::geteuid() || info.st_uid == 0;
}

bool writableByOthers(const struct stat& info) {
    return (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

FolderProblem unsafe(const fs::path& where, std::string_view what) {
    return {FolderProblem::Kind::Unsafe, where.string() + " " + std::string(what)};
}

FolderProblem failed(const fs::path& where, int error) {
    return {error == ENOENT ? FolderProblem::Kind::Missing : FolderProblem::Kind::Failed,
            where.string() + ": " + std::strerror(error)};
}

/// Why a folder on the way may not be trusted. Others may write to a folder above the last
/// when it is sticky, since they can then neither rename nor remove what is ours; the last
/// folder holds the names themselves, so no one else may add one.
std::optional<FolderProblem> judge(int fd, const fs::path& where, bool last) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return failed(where, errno);
    }
    if (!S_ISDIR(info.st_mode)) {
        return unsafe(where, "is not a folder");
    }
    if (!ownedByUsOrRoot(info)) {
        return unsafe(where, "belongs to another user");
    }
    if (writableByOthers(info) && (last || (info.st_mode & S_ISVTX) == 0)) {
        return unsafe(where, "is writable by other users");
    }
    return std::nullopt;
}

/// The steps of a path, in order; "." steps say nothing.
std::deque<std::string> stepsOf(const fs::path& path) {
    std::deque<std::string> steps;
    for (const fs::path& part : path.relative_path()) {
        if (!part.empty() && part != ".") {
            steps.push_back(part.string());
        }
    }
    return steps;
}

std::optional<std::string> linkTarget(int folder, const std::string& name) {
    std::array<char, PATH_MAX> target{};
    const ssize_t length = ::readlinkat(folder, name.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) {
        return std::nullopt;
    }
    return std::string(target.data(), static_cast<std::size_t>(length));
}

} // namespace

std::variant<SafeFolder, FolderProblem> SafeFolder::walk(const fs::path& path, bool make) {
    if (!path.is_absolute()) {
        return unsafe(path, "is not an absolute path");
    }
    // Folders on the way are only passed through (O_PATH needs no right to list them); the
    // last one is opened for reading its entries.
    constexpr int kPassThrough = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    constexpr int kLast = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    std::deque<std::string> steps = stepsOf(path);
    const auto openRoot = [&steps] {
        return FileDescriptor(::open("/", steps.empty() ? kLast : kPassThrough));
    };
    FileDescriptor current = openRoot();
    fs::path where = "/";
    if (!current.valid()) {
        return failed(where, errno);
    }
    if (auto problem = judge(current.get(), where, steps.empty())) {
        return *problem;
    }
    int links = 0;
    bool madeHere = false;
    while (!steps.empty()) {
        const std::string name = steps.front();
        steps.pop_front();
        const bool last = steps.empty();
        const fs::path here = name == ".." ? where.parent_path() : where / name;
        FileDescriptor next(::openat(current.get(), name.c_str(), last ? kLast : kPassThrough));
        if (!next.valid()) {
            const int error = errno;
            if (error == ENOENT && make && !madeHere) {
                if (::mkdirat(current.get(), name.c_str(), 0700) != 0 && errno != EEXIST) {
                    return failed(here, errno);
                }
                // Opened and judged like any other: someone may have made it first.
                steps.push_front(name);
                madeHere = true;
                continue;
            }
            if (error != ELOOP && error != ENOTDIR) {
                return failed(here, error);
            }
            struct stat entry {};
            if (::fstatat(current.get(), name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0) {
                return failed(here, errno);
            }
            if (!S_ISLNK(entry.st_mode)) {
                return unsafe(here, "is not a folder");
            }
            if (last) {
                return unsafe(here, "is a symbolic link");
            }
            // A link is as safe as the folder it lies in and its owner, who could replace it.
            if (!ownedByUsOrRoot(entry)) {
                return unsafe(here, "is a link of another user");
            }
            const auto target = linkTarget(current.get(), name);
            if (!target || ++links > kMostLinks) {
                return failed(here, ELOOP);
            }
            std::deque<std::string> more = stepsOf(*target);
            steps.insert(steps.begin(), more.begin(), more.end());
            if (fs::path(*target).is_absolute()) {
                current = openRoot();
                where = "/";
                if (!current.valid()) {
                    return failed(where, errno);
                }
            }
            madeHere = false;
            continue;
        }
        if (auto problem = judge(next.get(), here, last)) {
            return *problem;
        }
        current = std::move(next);
        where = here;
        madeHere = false;
    }
    return SafeFolder(path, std::move(current));
}

std::variant<SafeFolder, FolderProblem> SafeFolder::open(const fs::path& path) {
    return walk(path, false);
}

std::variant<SafeFolder, FolderProblem> SafeFolder::make(const fs::path& path) {
    return walk(path, true);
}

bool trustedFile(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ownedByUsOrRoot(info) &&
           !writableByOthers(info);
}

} // namespace ports
