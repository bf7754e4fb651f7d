#include "purchase/Purchase.h"

#include "binding/DeviceAddress.h"

#include "binding/MfApi.h"
#include "convert/Rounding.h"

namespace purchase {

namespace {
constexpr std::int32_t kOneBlock = 1;
constexpr std::uint8_t kLowestUsableCredit = 2;
} // namespace

PurchaseResult purchase(reader::MfApi& api, std::span<std::uint8_t, kBlockSize> block,
                        std::optional<double> amount, const ConfirmDeduction& confirm,
                        PurchaseSteps* steps) {
    PurchaseSteps unheard;
    PurchaseSteps& step = steps != nullptr ? *steps : unheard;

    const std::int32_t read = api.MF_Read(reader::kDevice, kCreditBlock, kOneBlock, block.data());
    if (read != MF_OK) {
        // A card that could not be read has no known credit: it is not a finished one.
        step.creditRead(read, std::nullopt);
        return {PurchaseOutcome::CreditUnreadable, read, std::nullopt, std::nullopt};
    }
    const std::uint8_t credit = block[0];
    step.creditRead(read, credit);
    if (credit < kLowestUsableCredit) {
        return {PurchaseOutcome::CreditTooLow, read, credit, std::nullopt};
    }
    if (!amount) {
        return {PurchaseOutcome::AmountInvalid, read, credit, std::nullopt};
    }
    const std::optional<std::uint8_t> newCredit = convert::roundToByte(credit - *amount);
    if (!newCredit) {
        return {*amount > 0 ? PurchaseOutcome::NotEnoughCredit : PurchaseOutcome::AmountInvalid,
                read, credit, std::nullopt};
    }
    block[0] = *newCredit;

    if (!step.asking(credit, *newCredit)) {
        return {PurchaseOutcome::NotRecorded, read, credit, newCredit};
    }
    if (!confirm(credit - *newCredit)) {
        step.declined();
        return {PurchaseOutcome::Declined, read, credit, newCredit};
    }
    if (!step.sending()) {
        return {PurchaseOutcome::NotRecorded, read, credit, newCredit};
    }
    const std::int32_t written =
        api.MF_Write(reader::kDevice, kCreditBlock, kOneBlock, block.data());
    // A failed line (no answer, a broken answer, the reader gone) may follow a write the reader
    // made; a refusal of the reader's own means the card was not written.
    const PurchaseOutcome outcome = written == MF_OK ? PurchaseOutcome::Written
                                    : written < 0    ? PurchaseOutcome::WriteUnknown
                                                     : PurchaseOutcome::WriteRefused;
    const PurchaseResult result{outcome, written, credit, newCredit};
    step.writeAnswered(result);
    return result;
}

} // namespace purchase
