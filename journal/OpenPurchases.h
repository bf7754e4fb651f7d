#pragma once

#include "journal/PurchaseRecord.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace journal {

/// The purchases whose write went to a card with no outcome known: sent and never answered
/// (the program died), or answered with a lost answer. Kept per card, from the journal's lines
/// in their order; a card has at most one, since its next read settles it before a new sale.
class OpenPurchases {
public:
    /// Takes one more line of the journal into account.
    void note(const PurchaseRecord& record);

    /// The card's purchase without a known outcome, if it has one.
    std::optional<PurchaseRecord> of(std::string_view cardUid) const;

    std::size_t size() const { return open_.size(); }

private:
    std::map<std::string, PurchaseRecord, std::less<>> open_;
};

/// How an open purchase ended, told by the credit its card holds now: the credit the purchase
/// meant to leave means the write was made.
PurchaseEvent resolution(const PurchaseRecord& open, int creditNow);

} // namespace journal
