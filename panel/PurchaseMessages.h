#pragma once

#include "purchase/Purchase.h"

#include <QString>

#include <optional>

namespace panel {

// What the purchase terminal says to the operator, in the operator's language.

/// The card's credit is below 2: nothing more can be bought with it.
inline const QString kCreditFinished = QStringLiteral("اعتبار خريد شما به پايان رسيد");

/// The question before a deduction, around the amount to be taken off.
inline QString deductionQuestion(int amount) {
    return QStringLiteral(" مبلغ ") + QString::number(amount) + QStringLiteral(" کسر شود ");
}

/// The card could not be read (taken away, wrong key, not authenticated): nothing was taken off.
inline const QString kCardNotRead = QStringLiteral("کارت خوانده نشد، مبلغي کسر نشد");

/// The write of the new credit failed: the card keeps its credit.
inline const QString kNothingDeducted = QStringLiteral("نوشتن روي کارت انجام نشد، مبلغي کسر نشد");

/// The write's answer was lost (timeout, broken answer, reader gone): the card may or may not
/// hold the new credit, so the operator reads it again before charging or retrying.
inline const QString kWriteUnknown =
    QStringLiteral("معلوم نيست روي کارت نوشته شد يا نه، اعتبار کارت را دوباره بخوانيد");

/// The purchase amount is not a number, or a negative one.
inline const QString kAmountInvalid = QStringLiteral("مبلغ خريد نامعتبر است، مبلغي کسر نشد");

/// The credit is smaller than the purchase amount.
inline const QString kCreditTooSmall = QStringLiteral("اعتبار کارت براي اين خريد کافي نيست");

/// The purchase journal could not record the purchase before its write, so the card was not
/// written: a sale that leaves no record is not made.
inline const QString kNotRecorded = QStringLiteral("ثبت خريد در دفتر ممکن نيست، مبلغي کسر نشد");

/// The write was made or tried, but its outcome could not be recorded: the journal settles it
/// the next time the card is read, once it can be written again.
inline const QString kOutcomeNotRecorded = QStringLiteral("نتيجه خريد در دفتر ثبت نشد");

/// What the operator is told of an outcome; nothing after a write or a declined purchase.
std::optional<QString> outcomeMessage(purchase::PurchaseOutcome outcome);

} // namespace panel
