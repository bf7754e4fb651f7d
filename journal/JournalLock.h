#pragma once

// The journal's exclusive flock, waited for with a deadline, which flock itself lacks.

#include "ports/FileDescriptor.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace journal {

/// Waits for the exclusive flock of one open file in the kernel, which wakes the wait the moment
/// the lock is released, up to a deadline. Linux has no timed flock, so the wait runs on a helper
/// thread, on an open file of its own: a flock belongs to an open file, so the helper's lock
/// keeps out every other, this program's own included. The helper hands that open file, lock and
/// all, to the caller, or closes it, releasing the lock, when the caller gave up in between. A
/// helper still waiting serves the next caller too: however long a hung program holds the lock,
/// one helper waits for it, not one per append.
class JournalLockWaiter {
public:
    /// For the file open as `fd`, which stays open while this waiter is used.
    explicit JournalLockWaiter(int fd);
    JournalLockWaiter(const JournalLockWaiter&) = delete;
    JournalLockWaiter& operator=(const JournalLockWaiter&) = delete;

    int fd() const { return fd_; }

    struct Lock {
        ports::FileDescriptor held; ///< the helper's open file, holding the lock
        std::optional<std::string> error;
    };
    /// The lock taken by the helper, waited for until `deadline`.
    [[nodiscard]] Lock waitForLock(std::chrono::steady_clock::time_point deadline);

private:
    struct Shared;

    [[nodiscard]] std::optional<std::string> startHelper();
    static void waitInTheKernel(const std::shared_ptr<Shared>& shared, ports::FileDescriptor own);

    int fd_;
    /// Shared with the helper, which keeps it for as long as it waits, this waiter gone or not.
    std::shared_ptr<Shared> shared_;
};

/// Holds the journal's lock for one scope, taken at once when it is free (as it nearly always
/// is, without a thread), else waited for until a deadline.
class JournalLock {
public:
    JournalLock(JournalLockWaiter& waiter, std::chrono::steady_clock::time_point deadline);
    ~JournalLock();
    JournalLock(const JournalLock&) = delete;
    JournalLock& operator=(const JournalLock&) = delete;

    /// Why the lock is not held, if it is not.
    const std::optional<std::string>& error() const { return error_; }

private:
    int unlockOnEnd_ = -1;          ///< the caller's own open file, when it took the lock
    ports::FileDescriptor helpers_; ///< the helper's open file, when the helper took it
    std::optional<std::string> error_;
};

} // namespace journal
