#include "journal/PurchaseJournal.h"

#include "ports/SafeFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace journal {

namespace fs = std::filesystem;

namespace {

/// Longer lines are none of ours: they are skipped unread, so a stray file cannot fill memory.
constexpr std::size_t kLongestLine = 4096;

std::string systemError(int error) {
    return std::strerror(error);
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

PurchaseJournal::PurchaseJournal(fs::path file, std::chrono::milliseconds lockPatience)
    : path_(std::move(file)), lockPatience_(lockPatience) {
}

std::chrono::steady_clock::time_point PurchaseJournal::lockDeadline() const {
    return std::chrono::steady_clock::now() + lockPatience_;
}

std::string PurchaseJournal::failure(std::string_view what) const {
    return path_.string() + ": " + std::string(what);
}

std::optional<std::string> PurchaseJournal::open() {
    if (fd_.valid()) {
        // Moved away or replaced since (archived, say): the journal is the file at its path.
        struct stat held {};
        struct stat named {};
        if (::fstat(fd_.get(), &held) == 0 && ::stat(path_.c_str(), &named) == 0 &&
            sameFile(held, named)) {
            return std::nullopt;
        }
        lockWaiter_.reset();
        fd_.reset();
    }
    auto folder = ports::SafeFolder::make(path_.parent_path());
    if (const auto* problem = std::get_if<ports::FolderProblem>(&folder)) {
        return problem->reason;
    }
    folder_ = std::get<ports::SafeFolder>(std::move(folder));
    ports::FileDescriptor fd(
        ::openat(folder_->fd(), path_.filename().c_str(),
                 O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    if (!fd.valid()) {
        return failure(errno == ELOOP ? "is a symbolic link" : systemError(errno));
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        return failure(systemError(errno));
    }
    if (!S_ISREG(info.st_mode)) {
        return failure("is not a regular file");
    }
    if (info.st_uid != ::geteuid()) {
        return failure("belongs to another user");
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return failure("is writable by other users");
    }
    fd_ = std::move(fd);
    lockWaiter_.emplace(fd_.get());
    scanned_ = 0;
    lineIsCut_ = false;
    open_ = OpenPurchases{};
    return std::nullopt;
}

std::optional<std::string> PurchaseJournal::readNewLines() {
    struct stat info {};
    if (::fstat(fd_.get(), &info) != 0) {
        return failure(systemError(errno));
    }
    if (info.st_size < scanned_) {
        // Cut short by someone: what it holds now is all there is.
        scanned_ = 0;
        open_ = OpenPurchases{};
    }
    std::array<char, 65536> chunk{};
    std::string line; // the part of a line that began in an earlier chunk
    bool overlong = false;
    off_t at = scanned_;
    while (at < info.st_size) {
        const ssize_t got = ::pread(fd_.get(), chunk.data(), chunk.size(), at);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return failure(got < 0 ? systemError(errno) : "ended while being read");
        }
        std::string_view rest(chunk.data(), static_cast<std::size_t>(got));
        for (std::size_t end = rest.find('\n'); end != std::string_view::npos;
             end = rest.find('\n')) {
            const std::string_view piece = rest.substr(0, end);
            if (!overlong && line.size() + piece.size() <= kLongestLine) {
                const std::string_view whole = line.empty() ? piece : line.append(piece);
                if (const auto record = parseJournalLine(whole)) {
                    open_.note(*record);
                }
            }
            line.clear();
            overlong = false;
            rest.remove_prefix(end + 1);
            scanned_ = at + got - static_cast<off_t>(rest.size());
        }
        overlong = overlong || line.size() + rest.size() > kLongestLine;
        if (!overlong) {
            line.append(rest);
        }
        at += got;
    }
    lineIsCut_ = scanned_ < info.st_size;
    return std::nullopt;
}

std::optional<std::string> PurchaseJournal::append(const PurchaseRecord& record) {
    if (auto error = open()) {
        return error;
    }
    const JournalLock lock(*lockWaiter_, lockDeadline());
    if (lock.error()) {
        return failure(*lock.error());
    }
    if (auto error = readNewLines()) {
        return error;
    }
    struct stat info {};
    if (::fstat(fd_.get(), &info) != 0) {
        return failure(systemError(errno));
    }
    const off_t before = info.st_size;
    std::string bytes;
    if (before == 0) {
        bytes = kHeaderLine;
    } else if (lineIsCut_) {
        // A line a crash cut short gets its end, without the CR, so it stays apart and unread.
        bytes = "\n";
    }
    bytes += journalLine(record);

    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd_.get(), bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            const int error = wrote < 0 ? errno : ENOSPC;
            // No half line: what went in is taken out again.
            [[maybe_unused]] const int ignored = ::ftruncate(fd_.get(), before);
            return failure(systemError(error));
        }
        done += static_cast<std::size_t>(wrote);
    }
    if (::fdatasync(fd_.get()) != 0) {
        const int error = errno;
        [[maybe_unused]] const int ignored = ::ftruncate(fd_.get(), before);
        return failure(systemError(error));
    }
    if (before == 0) {
        // A new file is only found after a crash once its folder entry is on disk too.
        if (::fsync(folder_->fd()) != 0) {
            return failure(systemError(errno));
        }
    }
    scanned_ = before + static_cast<off_t>(bytes.size());
    lineIsCut_ = false;
    open_.note(record);
    return std::nullopt;
}

std::optional<PurchaseRecord> PurchaseJournal::openPurchaseOf(std::string_view cardUid) {
    if (open()) {
        return std::nullopt;
    }
    const JournalLock lock(*lockWaiter_, lockDeadline());
    if (lock.error() || readNewLines()) {
        return std::nullopt;
    }
    return open_.of(cardUid);
}

} // namespace journal
