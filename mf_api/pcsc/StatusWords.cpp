#include "mf_api/pcsc/StatusWords.h"

#include "mifare/StatusWords.h"
#include "protocol/Status.h"

#include <MF_API.h>

namespace mfapi::pcsc {

namespace status = protocol::status;
using mifare::StatusWord;

std::int32_t statusOfAnswer(CardStep step, std::span<const std::uint8_t> answer) {
    const auto word = mifare::statusWordOf(answer);
    if (!word) {
        return status::kCardNoAnswer;
    }
    const bool authenticating = step == CardStep::Authenticate;
    switch (static_cast<StatusWord>(*word)) {
    case StatusWord::Success:
        return status::kOk;
    case StatusWord::NoInformation:
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
    case StatusWord::SecurityNotSatisfied:
        // The library sends a read or write only once its own record says the sector is
        // authenticated: the card's access conditions refused it.
        switch (step) {
        case CardStep::Authenticate:
            return status::kAuthFailed;
        case CardStep::Read:
        case CardStep::Write:
            return status::kAccessDenied;
        default:
            return status::kNotAuthenticated;
        }
    case StatusWord::AuthenticationBlocked:
        return status::kAccessDenied;
    case StatusWord::ReferenceDataUnusable:
        return authenticating ? status::kAuthFailed : status::kAccessDenied;
    case StatusWord::ConditionsNotSatisfied:
    case StatusWord::CommandNotAllowed:
        return status::kAccessDenied;
    case StatusWord::KeyNumberInvalid:
    case StatusWord::NonVolatileMemoryUnavailable:
    case StatusWord::KeyLengthIncorrect:
        return status::kBadParameter;
    case StatusWord::NotFound:
    case StatusWord::EndReached:
        return status::kBadBlock;
    case StatusWord::WrongParameters: // the block, for reads and writes
        return step == CardStep::Read || step == CardStep::Write ? status::kBadBlock
                                                                 : status::kBadParameter;
    case StatusWord::WrongLength:
        return status::kBadParameter;
    case StatusWord::FunctionNotSupported:
    case StatusWord::InstructionNotSupported:
    case StatusWord::ClassNotSupported:
        return status::kUnknownCommand;
    case StatusWord::ExecutionError: // memory unchanged
    case StatusWord::MemoryFailure:
        return status::kCardNoAnswer;
    default:
        if (*word >> 8 == mifare::kWrongLeFirstByte) {
            return status::kBadParameter;
        }
        return MF_ERR_UNKNOWN_STATUS;
    }
}

} // namespace mfapi::pcsc
