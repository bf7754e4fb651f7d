#include "purchase/PurchaseRecorder.h"

#include "journal/OpenPurchases.h"
#include "journal/PurchaseJournal.h"

#include <chrono>

namespace purchase {

using journal::PurchaseEvent;

namespace {

std::string now() {
    return journal::utcTime(std::chrono::system_clock::now());
}

} // namespace

PurchaseRecorder::PurchaseRecorder(journal::PurchaseJournal& journal, std::string port,
                                   std::string cardUid, std::string amountTyped)
    : journal_(journal) {
    purchase_.port = std::move(port);
    purchase_.cardUid = std::move(cardUid);
    purchase_.amount = std::move(amountTyped);
}

void PurchaseRecorder::creditRead(std::int32_t status, std::optional<std::uint8_t> credit) {
    readStatus_ = status;
    if (!credit) {
        return;
    }
    if (std::optional<journal::PurchaseRecord> open = journal_.openPurchaseOf(purchase_.cardUid)) {
        // The line keeps the numbers of the purchase it settles, so that a day adds up by line.
        open->time = now();
        open->event = journal::resolution(*open, *credit);
        open->status = status;
        // Not shown when it fails: the next read of this card tries again, and a sale in
        // between would stop at its own first line.
        static_cast<void>(journal_.append(*open));
    }
}

bool PurchaseRecorder::asking(std::uint8_t credit, std::uint8_t newCredit) {
    purchase_.credit = credit;
    purchase_.newCredit = newCredit;
    return record(PurchaseEvent::Asked, readStatus_);
}

void PurchaseRecorder::declined() {
    record(PurchaseEvent::Declined, readStatus_);
}

bool PurchaseRecorder::sending() {
    return record(PurchaseEvent::Sending, readStatus_);
}

void PurchaseRecorder::writeAnswered(const PurchaseResult& result) {
    const PurchaseEvent event = result.outcome == PurchaseOutcome::Written ? PurchaseEvent::Written
                                : result.outcome == PurchaseOutcome::WriteRefused
                                    ? PurchaseEvent::Refused
                                    : PurchaseEvent::Unknown;
    record(event, result.status);
}

bool PurchaseRecorder::record(PurchaseEvent event, std::int32_t status) {
    purchase_.time = now();
    purchase_.event = event;
    purchase_.status = status;
    problem_ = journal_.append(purchase_);
    return !problem_;
}

} // namespace purchase
