#include "protocol/Status.h"

#include <array>
#include <utility>

namespace protocol {

std::optional<std::string_view> statusName(std::int32_t code) {
    using namespace status;
    static constexpr std::array<std::pair<std::int32_t, std::string_view>, 27> kNames{{
        {kOk, "OK"},
        {kNoCard, "no card"},
        {kCardNoAnswer, "card no longer answers"},
        {kAuthFailed, "authentication failed"},
        {kNotAuthenticated, "not authenticated"},
        {kAccessDenied, "access denied"},
        {kBadBlock, "bad block"},
        {kNotSelected, "not selected"},
        {kNotValueBlock, "not a value block"},
        {kPortBusy, "port busy"},
        {kBadParameter, "bad parameter"},
        {kUnknownCommand, "unknown command"},
        {kNoValuePending, "no value pending"},
        {kNotOpen, "port not open"},
        {kTimeout, "timeout"},
        {kBadFrame, "bad frame"},
        {kDeviceGone, "device gone"},
        {kNoSuchPort, "no such port"},
        {kPermission, "permission denied"},
        {kBadArgument, "bad argument"},
        {kIo, "input/output error"},
        {kBadSpeed, "bad line speed"},
        {kUnsafePortFolder, "port folder not safe"},
        {kUnknownStatus, "unknown status"},
        {kNoService, "PC/SC service not running"},
        {kLibraryMissing, "library missing"},
        {kFunctionMissing, "function missing"},
    }};
    for (const auto& [known, name] : kNames) {
        if (known == code) {
            return name;
        }
    }
    return std::nullopt;
}

std::string statusText(std::int32_t code) {
    const auto name = statusName(code);
    return std::to_string(code) + (name ? " " + std::string(*name) : "");
}

} // namespace protocol
