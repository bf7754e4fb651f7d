#pragma once

#include <sys/resource.h>

#include <csignal>

namespace testing_support {

/// The largest file this process may write, for one scope: past it a write fails as on a full
/// disk (EFBIG, with SIGXFSZ ignored), for root too. Child processes started before keep theirs.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        set_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    /// Whether the limit holds; a test cannot trust a full disk that is not.
    bool set() const { return set_; }

private:
    rlimit old_{};
    void (*previousHandler_)(int) = nullptr;
    bool set_ = false;
};

} // namespace testing_support
