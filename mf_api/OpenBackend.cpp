#include "mf_api/OpenBackend.h"

#include "mf_api/FramedBackend.h"
#include "mf_api/SerialTransport.h"
#include "mf_api/TcpTransport.h"
#include "mf_api/pcsc/PcscBackend.h"

#include <cstdlib>

namespace mfapi {

namespace {

// A connect over the network may take longer than a reader's answer, but not without bound.
constexpr std::chrono::milliseconds kConnectTimeout{2000};

std::variant<std::unique_ptr<Transport>, std::int32_t> openTransport(const PortTarget& target,
                                                                     std::uint32_t speed) {
    if (const auto* device = std::get_if<DevicePort>(&target)) {
        return openSerialTransport(*device, speed);
    }
    const auto& tcp = std::get<TcpPort>(target);
    return openTcpTransport(tcp.host, tcp.port, kConnectTimeout);
}

} // namespace

std::variant<std::unique_ptr<Backend>, std::int32_t> openBackend(const PortTarget& target,
                                                                 std::uint32_t bitsPerSecond) {
    if (const auto* pcsc = std::get_if<PcscPort>(&target)) {
        return pcsc::openPcscBackend(*pcsc);
    }
    auto opened = openTransport(target, bitsPerSecond);
    if (const auto* status = std::get_if<std::int32_t>(&opened)) {
        return *status;
    }
    return makeFramedBackend(std::make_unique<Connection>(
        std::move(std::get<std::unique_ptr<Transport>>(opened)), bitsPerSecond,
        answerMargin(std::getenv("MF_API_ANSWER_MARGIN_MS"))));
}

} // namespace mfapi
