#include "mf_api/pcsc/StatusWords.h"

#include "protocol/Status.h"

#include <MF_API.h>

namespace mfapi::pcsc {

namespace status = protocol::status;

std::int32_t statusOfAnswer(CardStep step, std::span<const std::uint8_t> answer) {
    if (answer.size() < 2) {
        return status::kCardNoAnswer;
    }
    const std::uint8_t sw1 = answer[answer.size() - 2];
    const std::uint8_t sw2 = answer[answer.size() - 1];
    const auto word = static_cast<std::uint16_t>((sw1 << 8) | sw2);
    const bool authenticating = step == CardStep::Authenticate;
    switch (word) {
    case 0x9000:
        return status::kOk;
    case 0x6300:
        // Authentication refused; for reads and writes some readers give it for every refusal,
        // after the library has checked the sector's authentication itself.
        switch (step) {
        case CardStep::Authenticate:
            return status::kAuthFailed;
        case CardStep::LoadKey:
            return status::kBadParameter;
        case CardStep::Uid:
            return status::kNoCard;
        default:
            return status::kAccessDenied;
        }
    case 0x6982: // security status not satisfied
        return authenticating ? status::kAuthFailed : status::kNotAuthenticated;
    case 0x6983: // authentication method blocked
        return status::kAccessDenied;
    case 0x6984: // reference key not usable
        return authenticating ? status::kAuthFailed : status::kAccessDenied;
    case 0x6985: // conditions of use not satisfied
    case 0x6986: // command not allowed
        return status::kAccessDenied;
    case 0x6988: // key number not valid
        return status::kBadParameter;
    case 0x6A82: // no such block
    case 0x6282: // end of the card reached
        return status::kBadBlock;
    case 0x6B00: // wrong P1 P2: the block, for reads and writes
        return step == CardStep::Read || step == CardStep::Write ? status::kBadBlock
                                                                 : status::kBadParameter;
    case 0x6700: // wrong length
        return status::kBadParameter;
    case 0x6A81: // function not supported
    case 0x6D00: // instruction not supported
    case 0x6E00: // class not supported
        return status::kUnknownCommand;
    case 0x6400: // execution error, memory unchanged
    case 0x6581: // memory failure
        return status::kCardNoAnswer;
    default:
        if (sw1 == 0x6C) { // wrong Le
            return status::kBadParameter;
        }
        return MF_ERR_UNKNOWN_STATUS;
    }
}

} // namespace mfapi::pcsc
