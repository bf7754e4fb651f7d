#include "tagcard/DumpFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <random>

namespace tagcard {

namespace {

constexpr std::size_t k1KDump = 1024;
constexpr std::size_t k4KDump = 4096;
constexpr std::size_t kLongestKeyList = 64 * 1024;
constexpr mode_t kDumpMode = 0600;

std::string why(const std::filesystem::path& path, std::string_view what) {
    return path.string() + ": " + std::string(what);
}

std::string systemError(const std::filesystem::path& path, std::string_view doing) {
    return why(path, std::string(doing) + ": " + std::strerror(errno));
}

/// What a file that is not a regular one is, in words.
std::string_view kindOf(mode_t mode) {
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "not a regular file";
}

/// Opens `path` for reading, never blocking on a FIFO; a regular file, or why not.
std::variant<ports::FileDescriptor, std::string> openRegular(const std::filesystem::path& path,
                                                             int flags) {
    ports::FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | flags));
    if (!fd.valid()) {
        if (errno == ELOOP) {
            return why(path, "is a symbolic link; name the file itself");
        }
        return systemError(path, "cannot open");
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        return systemError(path, "cannot examine");
    }
    if (!S_ISREG(info.st_mode)) {
        return why(path,
                   std::string("is ") + std::string(kindOf(info.st_mode)) + ", not a regular file");
    }
    return fd;
}

/// Up to `most` bytes and one more, so that a file that grew is seen to be too long.
std::variant<std::vector<std::uint8_t>, std::string> readAtMost(int fd, std::size_t most,
                                                                const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes(most + 1);
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t read = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (read < 0 && errno == EINTR) {
            continue;
        }
        if (read < 0) {
            return systemError(path, "cannot read");
        }
        if (read == 0) {
            break;
        }
        got += static_cast<std::size_t>(read);
    }
    bytes.resize(got);
    return bytes;
}

} // namespace

bool isRawDumpSize(std::size_t size) {
    return size == k1KDump || size == k4KDump;
}

std::variant<std::vector<std::uint8_t>, std::string>
readRawDump(const std::filesystem::path& path) {
    auto opened = openRegular(path, O_NOFOLLOW);
    if (auto* problem = std::get_if<std::string>(&opened)) {
        return *problem;
    }
    auto bytes = readAtMost(std::get<ports::FileDescriptor>(opened).get(), k4KDump, path);
    if (auto* read = std::get_if<std::vector<std::uint8_t>>(&bytes);
        read && !isRawDumpSize(read->size())) {
        return why(path, "holds " + std::to_string(read->size()) +
                             " bytes; a raw dump holds 1024 (1K card) or 4096 (4K card)");
    }
    return bytes;
}

Parsed<std::vector<Key>> loadKeyList(const std::filesystem::path& path) {
    auto opened = openRegular(path, 0);
    if (auto* problem = std::get_if<std::string>(&opened)) {
        return *problem;
    }
    auto bytes = readAtMost(std::get<ports::FileDescriptor>(opened).get(), kLongestKeyList, path);
    if (auto* problem = std::get_if<std::string>(&bytes)) {
        return *problem;
    }
    const auto& read = std::get<std::vector<std::uint8_t>>(bytes);
    if (read.size() > kLongestKeyList) {
        return why(path, "is longer than a key list may be (64 KiB)");
    }
    auto keys =
        parseKeyList(std::string_view(reinterpret_cast<const char*>(read.data()), read.size()));
    if (auto* problem = std::get_if<std::string>(&keys)) {
        return why(path, *problem);
    }
    return keys;
}

std::variant<DumpTarget, std::string> DumpTarget::judge(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    if (name.empty() || name == "." || name == "..") {
        return why(path, "names no file");
    }
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    ports::FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFd.valid()) {
        return systemError(folder, "cannot open the folder");
    }
    const ports::FileDescriptor existing(
        ::openat(folderFd.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!existing.valid() && errno == ELOOP) {
        return why(path, "is a symbolic link; a dump replaces only a regular file");
    }
    if (!existing.valid() && errno != ENOENT) {
        return systemError(path, "cannot open");
    }
    if (existing.valid()) {
        struct stat info {};
        if (::fstat(existing.get(), &info) != 0) {
            return systemError(path, "cannot examine");
        }
        if (!S_ISREG(info.st_mode)) {
            return why(path, std::string("is ") + std::string(kindOf(info.st_mode)) +
                                 "; a dump replaces only a regular file");
        }
    }
    return DumpTarget(std::move(folderFd), name, path);
}

std::optional<std::string> DumpTarget::write(std::span<const std::uint8_t> bytes) const {
    std::random_device random;
    std::string temporary;
    ports::FileDescriptor fd;
    for (int attempt = 0; attempt < 16 && !fd.valid(); ++attempt) {
        temporary = "." + name_ + ".partial-" + std::to_string(random());
        fd = ports::FileDescriptor(::openat(folder_.get(), temporary.c_str(),
                                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                            kDumpMode));
        if (!fd.valid() && errno != EEXIST) {
            break;
        }
    }
    if (!fd.valid()) {
        return systemError(shown_, "cannot create a temporary file beside it");
    }
    const auto failed = [&](std::string_view doing) {
        std::string reason = systemError(shown_, doing);
        ::unlinkat(folder_.get(), temporary.c_str(), 0);
        return reason;
    };
    if (::fchmod(fd.get(), kDumpMode) != 0) {
        return failed("cannot make the dump private");
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return failed("cannot write");
        }
        done += static_cast<std::size_t>(written);
    }
    if (::fsync(fd.get()) != 0) {
        return failed("cannot sync");
    }
    if (::renameat(folder_.get(), temporary.c_str(), folder_.get(), name_.c_str()) != 0) {
        return failed("cannot rename the dump into place");
    }
    if (::fsync(folder_.get()) != 0) {
        return systemError(shown_, "written, but its folder could not be synced");
    }
    return std::nullopt;
}

} // namespace tagcard
