#pragma once

#include "mf_api/Backend.h"

#include <MF_API.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <type_traits>

namespace mfapi {

/// The library's one open reader and the lock that serialises every call on it. This is the
/// only mutable state of the library.
class Session {
public:
    static Session& instance();

    [[nodiscard]] std::int32_t open(const char* portName, std::int32_t bitsPerSecond);
    [[nodiscard]] std::int32_t close();

    /// Runs `work` on the open reader's back end under the lock and gives its status or
    /// Result; NOT_OPEN when no port is open. A reader that is gone is closed afterwards.
    template <typename Work> auto run(Work work) -> decltype(work(std::declval<Backend&>())) {
        using Outcome = decltype(work(std::declval<Backend&>()));
        const std::lock_guard lock(mutex_);
        if (!backend_) {
            if constexpr (std::is_same_v<Outcome, std::int32_t>) {
                return MF_ERR_NOT_OPEN;
            } else {
                return Outcome{MF_ERR_NOT_OPEN, {}};
            }
        }
        Outcome outcome = work(*backend_);
        if (backend_->gone()) {
            backend_.reset();
        }
        return outcome;
    }

private:
    std::mutex mutex_;
    std::unique_ptr<Backend> backend_;
};

} // namespace mfapi
