#include "panel/PurchaseMessages.h"

namespace panel {

std::optional<QString> outcomeMessage(purchase::PurchaseOutcome outcome) {
    using purchase::PurchaseOutcome;
    switch (outcome) {
    case PurchaseOutcome::CreditUnreadable:
        return kCardNotRead;
    case PurchaseOutcome::CreditTooLow:
        return kCreditFinished;
    case PurchaseOutcome::AmountInvalid:
        return kAmountInvalid;
    case PurchaseOutcome::NotEnoughCredit:
        return kCreditTooSmall;
    case PurchaseOutcome::WriteRefused:
        return kNothingDeducted;
    case PurchaseOutcome::WriteUnknown:
        return kWriteUnknown;
    case PurchaseOutcome::NotRecorded:
        return kNotRecorded;
    case PurchaseOutcome::Declined:
    case PurchaseOutcome::Written:
        break;
    }
    return std::nullopt;
}

} // namespace panel
