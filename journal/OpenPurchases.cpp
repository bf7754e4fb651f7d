#include "journal/OpenPurchases.h"

namespace journal {

void OpenPurchases::note(const PurchaseRecord& record) {
    switch (record.event) {
    case PurchaseEvent::Sending:
    case PurchaseEvent::Unknown:
        open_.insert_or_assign(record.cardUid, record);
        break;
    case PurchaseEvent::Written:
    case PurchaseEvent::Refused:
    case PurchaseEvent::ResolvedWritten:
    case PurchaseEvent::ResolvedNotWritten:
        if (const auto found = open_.find(record.cardUid); found != open_.end()) {
            open_.erase(found);
        }
        break;
    case PurchaseEvent::Asked:
    case PurchaseEvent::Declined:
        break; // nothing went to the card
    }
}

std::optional<PurchaseRecord> OpenPurchases::of(std::string_view cardUid) const {
    if (const auto found = open_.find(cardUid); found != open_.end()) {
        return found->second;
    }
    return std::nullopt;
}

PurchaseEvent resolution(const PurchaseRecord& open, int creditNow) {
    return creditNow == open.newCredit ? PurchaseEvent::ResolvedWritten
                                       : PurchaseEvent::ResolvedNotWritten;
}

} // namespace journal
