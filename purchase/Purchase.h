#pragma once

// One purchase: a credit held in byte 0 of block 4, a purchase amount taken off it. The panel's
// auto read and tagcard's charge both run it; what each tells its user is its own.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace reader {
class MfApi;
}

namespace purchase {

/// The bytes of one card block, as read and written.
inline constexpr std::size_t kBlockSize = 16;
/// The block whose byte 0 holds the credit.
inline constexpr std::int32_t kCreditBlock = 4;

/// How a purchase ended. Only Written changed the card for sure; WriteUnknown may have.
enum class PurchaseOutcome {
    CreditUnreadable, ///< the credit block could not be read: nothing written
    CreditTooLow,     ///< a credit below 2 buys nothing more
    AmountInvalid,    ///< not a number, or one that would raise the credit above 255
    NotEnoughCredit,  ///< the credit is smaller than the amount
    Declined,         ///< the operator said no: nothing written
    Written,          ///< the card holds the new credit
    WriteRefused,     ///< the reader or the card refused the write: the card keeps its credit
    WriteUnknown,     ///< the write's answer was lost: the card may hold either credit
    NotRecorded,      ///< the purchase could not be recorded before its write: nothing written
};

/// A purchase's outcome with the numbers it got as far as, for whoever records purchases.
struct PurchaseResult {
    PurchaseOutcome outcome;
    std::int32_t status;                   ///< of the write once sent, else of the read
    std::optional<std::uint8_t> credit;    ///< as read from the card
    std::optional<std::uint8_t> newCredit; ///< once the amount could come off the credit
};

/// Hears each step as it happens, so that a journal can record a purchase before its write
/// goes to the card, and hold the purchase back when it cannot. Unless overridden, each call
/// does nothing and lets the purchase go on.
class PurchaseSteps {
public:
    virtual ~PurchaseSteps() = default;

    /// The credit block was read: the credit, or nothing when the read failed with `status`.
    virtual void creditRead(std::int32_t /*status*/, std::optional<std::uint8_t> /*credit*/) {}
    /// The operator is about to be asked whether the credit may go down to `newCredit`;
    /// false stops the purchase before the question.
    virtual bool asking(std::uint8_t /*credit*/, std::uint8_t /*newCredit*/) { return true; }
    virtual void declined() {}
    /// The write of the new credit is about to go to the card; false stops it from going.
    virtual bool sending() { return true; }
    /// The write was answered: Written, WriteRefused or WriteUnknown.
    virtual void writeAnswered(const PurchaseResult& /*result*/) {}
};

/// Asks the operator whether `deducted` may come off the card; true to go ahead.
using ConfirmDeduction = std::function<bool(int deducted)>;

/// One purchase from the card in the field, authenticated for block 4: reads the block into
/// `block`, takes `amount` off its byte 0 rounding the new credit half to even, asks `confirm`
/// and, on yes, writes `block` back with only byte 0 changed.
PurchaseResult purchase(reader::MfApi& api, std::span<std::uint8_t, kBlockSize> block,
                        std::optional<double> amount, const ConfirmDeduction& confirm,
                        PurchaseSteps* steps = nullptr);

} // namespace purchase
