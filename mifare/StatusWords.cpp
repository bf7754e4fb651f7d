#include "mifare/StatusWords.h"

namespace mifare {

std::optional<std::uint16_t> statusWordOf(std::span<const std::uint8_t> answer) {
    if (answer.size() < 2) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>((answer[answer.size() - 2] << 8) | answer.back());
}

} // namespace mifare
