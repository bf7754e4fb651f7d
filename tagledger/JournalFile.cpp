#include "tagledger/JournalFile.h"

#include "tagledger/LedgerRow.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tagledger {

std::variant<JournalFile, std::string> JournalFile::open(const std::filesystem::path& path) {
    ports::FileDescriptor fd(
        ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK));
    if (!fd.valid()) {
        return path.string() + ": " + std::strerror(errno);
    }
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) {
        return path.string() + ": " + std::strerror(errno);
    }
    if (!S_ISREG(status.st_mode)) {
        return path.string() + ": not a regular file";
    }
    return JournalFile(path, std::move(fd), status.st_dev, status.st_ino);
}

std::optional<std::string> JournalFile::read(std::int64_t place, std::size_t most) const {
    std::string bytes(most, '\0');
    std::size_t got = 0;
    while (got < most) {
        const ssize_t n = ::pread(fd_.get(), bytes.data() + got, most - got,
                                  static_cast<off_t>(place) + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

std::optional<std::string> JournalFile::firstPurchaseLine() const {
    // The header and perhaps a torn line come first; a journal whose first purchase line is
    // not within this much is no journal.
    constexpr std::size_t kLook = 4 * kMaxLineBytes;
    const std::optional<std::string> start = read(0, kLook);
    if (!start) {
        return std::nullopt;
    }
    const Lines lines = wholeLines(*start, 0);
    if (lines.rows.empty()) {
        return std::nullopt;
    }
    const LedgerRow& first = lines.rows.front();
    return start->substr(static_cast<std::size_t>(first.place),
                         static_cast<std::size_t>(first.nextPlace - first.place - 1));
}

bool JournalFile::movedAway() const {
    struct stat status {};
    if (::stat(path_.c_str(), &status) != 0) {
        return true;
    }
    return status.st_dev != device_ || status.st_ino != inode_;
}

} // namespace tagledger
