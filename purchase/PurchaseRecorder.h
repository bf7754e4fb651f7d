#pragma once

#include "purchase/Purchase.h"

#include "journal/PurchaseRecord.h"

#include <optional>
#include <string>

namespace journal {
class PurchaseJournal;
}

namespace purchase {

/// Journals one purchase as it goes: `asked`, then `declined`, or `sending` on disk
/// before the write and its outcome after. When the card read has a purchase that an earlier
/// run left without an outcome, it settles that one first, by the credit the card holds. None
/// of this shows; only a journal that cannot take a line stops the purchase before its write.
class PurchaseRecorder : public PurchaseSteps {
public:
    PurchaseRecorder(journal::PurchaseJournal& journal, std::string port, std::string cardUid,
                     std::string amountTyped);

    void creditRead(std::int32_t status, std::optional<std::uint8_t> credit) override;
    bool asking(std::uint8_t credit, std::uint8_t newCredit) override;
    void declined() override;
    bool sending() override;
    void writeAnswered(const PurchaseResult& result) override;

    /// Why the journal could not take a line of this purchase, when it could not.
    const std::optional<std::string>& problem() const { return problem_; }

private:
    bool record(journal::PurchaseEvent event, std::int32_t status);

    journal::PurchaseJournal& journal_;
    journal::PurchaseRecord purchase_;
    std::int32_t readStatus_ = 0;
    std::optional<std::string> problem_;
};

} // namespace purchase
