// "Auto Read": a purchase terminal that takes the purchase amount off a one-byte credit held in
// byte 0 of block 4.

#include "panel/DeviceAddress.h"
#include "panel/KOV450.h"
#include "panel/PurchaseMessages.h"

#include "binding/MfApi.h"
#include "convert/HexText.h"
#include "convert/NumberText.h"
#include "convert/Rounding.h"
#include "ui/MessageBoxes.h"

namespace panel {

namespace {
constexpr std::int32_t kCreditBlock = 4;
constexpr std::int32_t kOneBlock = 1;
constexpr std::uint8_t kLowestUsableCredit = 2;
} // namespace

void KOV450::AutoCheck_Click() {
    form.Timer1->setEnabled(form.AutoCheck->isChecked());
}

void KOV450::tell(const QString& message) {
    messages_.ask(this, message, ui::MessageBoxes::Buttons::Ok);
}

void KOV450::Timer1_Timer() {
    Request_Click();
    if (module1_.CardType[0] == 0) {
        return;
    }
    Anticool_Click();
    form.AutoTXT->setText(convert::hexOfBytes(module1_.CardSN));
    // One card per ticking, and no tick while a message below waits for the operator.
    form.AutoCheck->setChecked(false);
    form.Timer1->setEnabled(false);

    select_Click();
    LoadKey_Click();
    Authentication_Click();

    module1_.BlockBytes.fill(0);
    if (api_.MF_Read(kDevice, kCreditBlock, kOneBlock, module1_.BlockBytes.data()) != MF_OK) {
        // A card that could not be read has no known credit: it is not a finished one.
        tell(kCardNotRead);
        return;
    }
    const std::uint8_t credit = module1_.BlockBytes[0];
    if (credit < kLowestUsableCredit) {
        tell(kCreditFinished);
        return;
    }

    const std::optional<double> amount = convert::wholeTextNumber(form.Text1->text());
    if (!amount) {
        tell(kAmountInvalid);
        return;
    }
    const std::optional<std::uint8_t> newCredit = convert::roundToByte(credit - *amount);
    if (!newCredit) {
        tell(*amount > 0 ? kCreditTooSmall : kAmountInvalid);
        return;
    }
    module1_.BlockBytes[0] = *newCredit;

    const int deducted = credit - *newCredit;
    if (messages_.ask(this, deductionQuestion(deducted), ui::MessageBoxes::Buttons::OkCancel) !=
        ui::MessageBoxes::Answer::Ok) {
        return;
    }
    const std::int32_t written =
        api_.MF_Write(kDevice, kCreditBlock, kOneBlock, module1_.BlockBytes.data());
    if (written < 0) {
        // The line failed (no answer, a broken answer, the reader gone): the reader may have
        // written the card before its answer was lost, so the operator must look again.
        tell(kWriteUnknown);
    } else if (written != MF_OK) {
        // The reader's own refusal: the card was not written (a torn block keeps its content).
        tell(kNothingDeducted);
    }
}

} // namespace panel
