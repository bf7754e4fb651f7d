#include "mf_api/OpenBackend.h"

#include "mf_api/AnswerMargin.h"
#include "mf_api/framed/FramedBackend.h"
#include "mf_api/pcsc/PcscBackend.h"

#include <cstdlib>

namespace mfapi {

Result<std::unique_ptr<Backend>> openBackend(const PortTarget& target,
                                             std::uint32_t bitsPerSecond) {
    const auto margin = answerMargin(std::getenv("MF_API_ANSWER_MARGIN_MS"));
    if (const auto* pcsc = std::get_if<PcscPort>(&target)) {
        return pcsc::openPcscBackend(*pcsc, margin);
    }
    if (const auto* device = std::get_if<DevicePort>(&target)) {
        return framed::openFramedBackend(*device, bitsPerSecond, margin);
    }
    return framed::openFramedBackend(std::get<TcpPort>(target), bitsPerSecond, margin);
}

} // namespace mfapi
