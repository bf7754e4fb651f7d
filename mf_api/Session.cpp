#include "mf_api/Session.h"

#include "mf_api/LineSpeed.h"
#include "mf_api/PortName.h"
#include "mf_api/SerialTransport.h"
#include "mf_api/TcpTransport.h"
#include "ports/PortFolder.h"

#include <MF_API.h>

#include <climits>
#include <cstdlib>
#include <cstring>

namespace mfapi {

namespace {

// A connect over the network may take longer than a reader's answer, but not without bound.
constexpr std::chrono::milliseconds kConnectTimeout{2000};
constexpr std::size_t kLongestPortName = PATH_MAX - 1;

std::variant<std::unique_ptr<Transport>, std::int32_t> openTarget(const PortTarget& target,
                                                                  std::uint32_t speed) {
    if (const auto* device = std::get_if<DevicePort>(&target)) {
        return openSerialTransport(device->path, speed);
    }
    const auto& tcp = std::get<TcpPort>(target);
    return openTcpTransport(tcp.host, tcp.port, kConnectTimeout);
}

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
    if (!termiosSpeed(bitsPerSecond)) {
        return MF_ERR_BAD_SPEED;
    }
    const auto speed = static_cast<std::uint32_t>(bitsPerSecond);
    const std::lock_guard lock(mutex_);
    if (connection_) {
        // One connection per process, and opening never closes the one that is open.
        return MF_ERR_PORT_BUSY;
    }
    const PortLookup lookup = resolvePortName(portName, ports::portFolder());
    if (const auto* refusal = std::get_if<PortRefusal>(&lookup)) {
        return *refusal == PortRefusal::UnsafeFolder ? MF_ERR_UNSAFE_PORT_FOLDER
                                                     : MF_ERR_NO_SUCH_PORT;
    }
    auto opened = openTarget(std::get<PortTarget>(lookup), speed);
    if (const auto* status = std::get_if<std::int32_t>(&opened)) {
        return *status;
    }
    connection_ =
        std::make_unique<Connection>(std::move(std::get<std::unique_ptr<Transport>>(opened)), speed,
                                     answerMargin(std::getenv("MF_API_ANSWER_MARGIN_MS")));
    return MF_OK;
}

std::int32_t Session::close() {
    const std::lock_guard lock(mutex_);
    connection_.reset();
    return MF_OK;
}

Reply Session::run(const std::function<Reply(Connection&)>& work) {
    const std::lock_guard lock(mutex_);
    if (!connection_) {
        return {MF_ERR_NOT_OPEN, {}};
    }
    Reply reply = work(*connection_);
    if (connection_->gone()) {
        connection_.reset();
    }
    return reply;
}

} // namespace mfapi
