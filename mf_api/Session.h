#pragma once

#include "mf_api/Connection.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace mfapi {

/// The library's one connection and the lock that serialises every call on it. This is the
/// only mutable state of the library.
class Session {
public:
    static Session& instance();

    std::int32_t open(const char* portName, std::int32_t bitsPerSecond);
    std::int32_t close();

    /// Runs `work` on the open connection under the lock; NOT_OPEN when there is none. A
    /// connection whose device vanished is closed afterwards.
    Reply run(const std::function<Reply(Connection&)>& work);

private:
    std::mutex mutex_;
    std::unique_ptr<Connection> connection_;
};

} // namespace mfapi
