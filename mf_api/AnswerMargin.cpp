#include "mf_api/AnswerMargin.h"

#include <charconv>
#include <cstring>

namespace mfapi {

std::chrono::milliseconds answerMargin(const char* setting) {
    constexpr std::chrono::milliseconds kDefault{250};
    if (setting == nullptr) {
        return kDefault;
    }
    int value = 0;
    const char* end = setting + std::strlen(setting);
    const auto [stop, error] = std::from_chars(setting, end, value);
    if (error != std::errc{} || stop != end || value < 0 || value > 10000) {
        return kDefault;
    }
    return std::chrono::milliseconds{value};
}

} // namespace mfapi
