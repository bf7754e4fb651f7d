// "Auto Read": a purchase terminal that takes the purchase amount off a one-byte credit held in
// byte 0 of block 4.

#include "panel/KOV450.h"
#include "panel/PurchaseMessages.h"
#include "purchase/Purchase.h"
#include "purchase/PurchaseRecorder.h"

#include "convert/HexText.h"
#include "convert/NumberText.h"
#include "ui/MessageBoxes.h"

#include <span>

namespace panel {

void KOV450::AutoCheck_Click() {
    form.Timer1->setEnabled(form.AutoCheck->isChecked());
}

void KOV450::tell(const QString& message) {
    messages_.ask(this, message, ui::MessageBoxes::Buttons::Ok);
}

bool KOV450::confirmDeduction(int deducted) {
    return messages_.ask(this, deductionQuestion(deducted), ui::MessageBoxes::Buttons::OkCancel) ==
           ui::MessageBoxes::Answer::Ok;
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

    const QString amountTyped = form.Text1->text();
    const std::optional<double> amount = convert::wholeTextNumber(amountTyped);
    module1_.BlockBytes.fill(0);
    using purchase::PurchaseOutcome;
    purchase::PurchaseRecorder recorder(journal_, openedPort_.toStdString(),
                                        form.AutoTXT->text().toStdString(),
                                        amountTyped.trimmed().toStdString());
    const purchase::PurchaseResult result = purchase::purchase(
        api_, std::span(module1_.BlockBytes).first<purchase::kBlockSize>(), amount,
        [this](int deducted) { return confirmDeduction(deducted); }, &recorder);
    // The technician needs the file and the reason to mend a journal that cannot be written.
    const QString journalProblem = QString::fromStdString(recorder.problem().value_or(""));
    if (const std::optional<QString> message = outcomeMessage(result.outcome)) {
        tell(result.outcome == PurchaseOutcome::NotRecorded ? *message + '\n' + journalProblem
                                                            : *message);
    }
    if (recorder.problem() && result.outcome != PurchaseOutcome::NotRecorded) {
        tell(kOutcomeNotRecorded + '\n' + journalProblem);
    }
}

} // namespace panel
