#include "mf_api/Session.h"

#include "mf_api/OpenBackend.h"
#include "mf_api/PortName.h"
#include "ports/PortFolder.h"

#include <climits>
#include <cstring>

namespace mfapi {

namespace {

constexpr std::size_t kLongestPortName = PATH_MAX - 1;

} // namespace

Session& Session::instance() {
    static Session session;
    return session;
}

std::int32_t Session::open(const char* portName, std::int32_t bitsPerSecond) {
    // No path is longer; a longer name is a caller's mistake, not a port.
    if (portName == nullptr || ::strnlen(portName, kLongestPortName + 1) > kLongestPortName) {
        return MF_ERR_BAD_ARGUMENT;
    }
    const std::lock_guard lock(mutex_);
    if (backend_) {
        // One port per process, and opening never closes the one that is open.
        return MF_ERR_PORT_BUSY;
    }
    const PortLookup lookup = resolvePortName(portName, ports::portFolder());
    if (lookup.status != MF_OK) {
        return lookup.status;
    }
    auto opened = openBackend(lookup.value, static_cast<std::uint32_t>(bitsPerSecond));
    if (opened.status != MF_OK) {
        return opened.status;
    }
    backend_ = std::move(opened.value);
    return MF_OK;
}

std::int32_t Session::close() {
    const std::lock_guard lock(mutex_);
    backend_.reset();
    return MF_OK;
}

} // namespace mfapi
