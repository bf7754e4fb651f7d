#include "mifare/StatusWords.h"

namespace mifare {

std::optional<std::uint16_t> statusWordOf(std::span<const std::uint8_t> answer) {
    if (answer.size() < 2) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>((answer[answer.size() - 2] << 8) | answer.back());
}

std::optional<std::string_view> meaningOf(std::uint16_t word) {
    if (word >> 8 == kWrongLeFirstByte) {
        return "wrong Le";
    }
    switch (static_cast<StatusWord>(word)) {
    case StatusWord::Success:
        return "OK";
    case StatusWord::EndReached:
        return "end reached before Le bytes";
    case StatusWord::NoInformation:
        return "authentication failed";
    case StatusWord::ExecutionError:
        return "execution error";
    case StatusWord::MemoryFailure:
        return "memory failure";
    case StatusWord::WrongLength:
        return "wrong length";
    case StatusWord::SecurityNotSatisfied:
        return "security status not satisfied";
    case StatusWord::AuthenticationBlocked:
        return "blocked, or reader key not supported";
    case StatusWord::ReferenceDataUnusable:
        return "key not usable";
    case StatusWord::ConditionsNotSatisfied:
        return "conditions not satisfied";
    case StatusWord::CommandNotAllowed:
        return "command not allowed";
    case StatusWord::NonVolatileMemoryUnavailable:
        return "no non-volatile key memory";
    case StatusWord::KeyNumberInvalid:
        return "no such key";
    case StatusWord::KeyLengthIncorrect:
        return "wrong key length";
    case StatusWord::FunctionNotSupported:
        return "function not supported";
    case StatusWord::NotFound:
        return "no such block";
    case StatusWord::WrongParameters:
        return "wrong P1 P2";
    case StatusWord::InstructionNotSupported:
        return "instruction not supported";
    case StatusWord::ClassNotSupported:
        return "class not supported";
    case StatusWord::NoPreciseDiagnosis:
        return "no precise diagnosis";
    }
    return std::nullopt;
}

} // namespace mifare
