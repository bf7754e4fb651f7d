#include "mf_api/pcsc/CardUid.h"

#include <algorithm>

namespace mfapi::pcsc {

std::optional<protocol::Uid> uidOfGetData(std::span<const std::uint8_t> data) {
    protocol::Uid uid{};
    if (data.size() < uid.size()) {
        return std::nullopt;
    }
    std::copy_n(data.begin(), uid.size(), uid.begin());
    return uid;
}

} // namespace mfapi::pcsc
