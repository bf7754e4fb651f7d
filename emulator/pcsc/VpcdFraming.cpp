#include "emulator/pcsc/VpcdFraming.h"

#include <algorithm>

namespace kov450::pcsc {

VpcdDecoder::Decoded VpcdDecoder::feed(std::span<const std::uint8_t> bytes) {
    Decoded decoded;
    for (const std::uint8_t byte : bytes) {
        pending_.push_back(byte);
        if (pending_.size() < 2) {
            continue;
        }
        const std::size_t length = static_cast<std::size_t>(pending_[0]) << 8 | pending_[1];
        if (length > kLongestVpcdMessage) {
            decoded.overlong = true;
            pending_.clear();
            return decoded;
        }
        if (pending_.size() == 2 + length) {
            decoded.messages.emplace_back(pending_.begin() + 2, pending_.end());
            pending_.clear();
        }
    }
    return decoded;
}

std::vector<std::uint8_t> vpcdMessage(std::span<const std::uint8_t> payload) {
    const std::size_t length = payload.size() > 0xFFFF ? 0xFFFF : payload.size();
    std::vector<std::uint8_t> bytes(2 + length);
    bytes[0] = static_cast<std::uint8_t>(length >> 8);
    bytes[1] = static_cast<std::uint8_t>(length & 0xFF);
    std::copy_n(payload.begin(), length, bytes.begin() + 2);
    return bytes;
}

} // namespace kov450::pcsc
