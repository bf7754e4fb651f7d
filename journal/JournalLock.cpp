#include "journal/JournalLock.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

namespace journal {

struct JournalLockWaiter::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    bool helperWaits = false;      ///< a helper is blocked in flock
    bool wanted = false;           ///< a caller waits for what the helper gets
    ports::FileDescriptor granted; ///< the helper's open file with the lock, for the caller
    int error = 0;                 ///< why the helper's flock failed
};

void JournalLockWaiter::waitInTheKernel(const std::shared_ptr<Shared>& shared,
                                        ports::FileDescriptor own) {
    // Signals meant for the program go to its other threads, not to one that may wait forever.
    sigset_t all;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, nullptr);
    int result = 0;
    do {
        result = ::flock(own.get(), LOCK_EX);
    } while (result != 0 && errno == EINTR);
    const int error = result == 0 ? 0 : errno;

    const std::lock_guard lock(shared->mutex);
    shared->helperWaits = false;
    shared->error = error;
    if (error == 0 && shared->wanted) {
        shared->granted = std::move(own);
    }
    // Otherwise no one wants the lock any more: `own` closes as this returns, releasing it.
    shared->changed.notify_all();
}

JournalLockWaiter::JournalLockWaiter(int fd) : fd_(fd), shared_(std::make_shared<Shared>()) {
}

std::optional<std::string> JournalLockWaiter::startHelper() {
    // The same file, whatever has become of its name since, as an open file of its own.
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    ports::FileDescriptor own(::open(self.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!own.valid()) {
        return std::string("cannot open it again to wait for its lock: ") + std::strerror(errno);
    }
    try {
        std::thread(waitInTheKernel, shared_, std::move(own)).detach();
    } catch (const std::system_error& error) {
        return std::string("cannot wait for its lock: ") + error.what();
    }
    shared_->helperWaits = true;
    return std::nullopt;
}

JournalLockWaiter::Lock
JournalLockWaiter::waitForLock(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(shared_->mutex);
    if (!shared_->helperWaits) {
        if (auto error = startHelper()) {
            return {{}, std::move(error)};
        }
    }
    shared_->wanted = true;
    shared_->changed.wait_until(lock, deadline,
                                [&] { return shared_->granted.valid() || !shared_->helperWaits; });
    shared_->wanted = false;
    if (shared_->granted.valid()) {
        return {std::move(shared_->granted), std::nullopt};
    }
    if (!shared_->helperWaits) {
        return {{}, std::strerror(shared_->error)};
    }
    return {{}, "another program holds the journal locked"};
}

JournalLock::JournalLock(JournalLockWaiter& waiter,
                         std::chrono::steady_clock::time_point deadline) {
    int result = 0;
    do {
        result = ::flock(waiter.fd(), LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        unlockOnEnd_ = waiter.fd();
        return;
    }
    if (errno != EWOULDBLOCK) {
        error_ = std::strerror(errno);
        return;
    }
    JournalLockWaiter::Lock lock = waiter.waitForLock(deadline);
    helpers_ = std::move(lock.held);
    error_ = std::move(lock.error);
}

JournalLock::~JournalLock() {
    if (unlockOnEnd_ >= 0) {
        ::flock(unlockOnEnd_, LOCK_UN);
    }
    // The helper's open file releases its lock as it closes.
}

} // namespace journal
