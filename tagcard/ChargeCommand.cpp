// charge: the panel's auto read purchase from the shell, with its journal lines.
#include "tagcard/CommandSteps.h"
#include "tagcard/Commands.h"
#include "tagcard/Question.h"

#include "convert/HexText.h"
#include "convert/NumberText.h"
#include "journal/JournalLocation.h"
#include "journal/PurchaseJournal.h"
#include "purchase/Purchase.h"
#include "purchase/PurchaseRecorder.h"

#include <MF_API.h>

#include <QLocale>
#include <QString>

#include <fcntl.h>

namespace tagcard {

namespace {

using namespace std::chrono_literals;
using purchase::PurchaseOutcome;

constexpr int kCreditSector = 1;
/// How long the question waits for the operator; no answer is no.
constexpr auto kPatience = 60s;

/// The amount as a script writes it, whatever the user's locale: a full stop before decimals,
/// no group separators.
std::optional<double> amountOf(const std::string& text) {
    QLocale plain = QLocale::c();
    plain.setNumberOptions(QLocale::RejectGroupSeparator);
    return convert::wholeTextNumber(QString::fromStdString(text), plain);
}

/// What a purchase that wrote nothing, or may have, tells the user, and its exit status.
struct Told {
    std::string message;
    ExitCode code;
    bool withStatus;
};

Told told(const purchase::PurchaseResult& result, const std::string& amount) {
    const std::string credit = result.credit ? std::to_string(*result.credit) : "?";
    switch (result.outcome) {
    case PurchaseOutcome::CreditUnreadable:
        return {"the card could not be read: nothing was taken off", exitCodeOf(result.status),
                true};
    case PurchaseOutcome::CreditTooLow:
        return {"the purchase credit has run out (credit " + credit + "): nothing was taken off",
                ExitCode::CreditRefused, false};
    case PurchaseOutcome::NotEnoughCredit:
        return {"the card's credit (" + credit + ") is too small for this purchase (" + amount +
                    "): nothing was taken off",
                ExitCode::CreditRefused, false};
    case PurchaseOutcome::AmountInvalid:
        return {"the amount " + amount + " would raise the credit (" + credit +
                    ") above 255: nothing was taken off",
                ExitCode::CreditRefused, false};
    case PurchaseOutcome::WriteRefused:
        return {"the card was not written: nothing was taken off", exitCodeOf(result.status), true};
    case PurchaseOutcome::WriteUnknown:
        return {"it is not known whether the card was written: read its credit again",
                ExitCode::OutcomeUnknown, true};
    case PurchaseOutcome::NotRecorded:
        return {"the purchase journal cannot record the purchase: nothing was taken off",
                ExitCode::NotWritten, false};
    case PurchaseOutcome::Declined:
        return {"declined: nothing was taken off", ExitCode::Declined, false};
    case PurchaseOutcome::Written:
        break;
    }
    return {"", ExitCode::Done, false};
}

} // namespace

int runCharge(Tool& tool, const std::string& amountText, bool ask) {
    const std::optional<double> amount = amountOf(amountText);
    if (!amount) {
        return tool.report.failure(
            "charge", "the amount '" + amountText + "' is not a number: nothing was done",
            ExitCode::Usage);
    }
    ports::FileDescriptor terminal;
    if (ask) {
        terminal = ports::FileDescriptor(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
        if (!terminal.valid()) {
            return tool.report.failure(
                "charge", "no terminal to ask the operator on: pass --yes to charge without asking",
                ExitCode::Usage);
        }
    }
    const OpenPort port(tool.api, tool.port);
    if (auto failed = portFailure(tool, "charge", port)) {
        return *failed;
    }
    auto selected = selectedCard(tool, "charge", false);
    if (const int* failed = std::get_if<int>(&selected)) {
        return *failed;
    }
    CardAccess& card = std::get<CardAccess>(selected);
    if (const std::int32_t status = card.open(kCreditSector, tool.key); status != MF_OK) {
        return tool.report.failed("charge", "cannot open block 4", status);
    }

    // The journal's card UID is the panel's text of it, so that either settles the other's
    // purchases.
    const std::string uid = uidText(card.card().uid);
    journal::PurchaseJournal journal(journal::purchaseJournalPath());
    const std::string amountTyped = QString::fromStdString(amountText).trimmed().toStdString();
    purchase::PurchaseRecorder recorder(
        journal, tool.port, convert::hexOfBytes(card.card().uid).toStdString(), amountTyped);
    Answer answer = Answer::Yes;
    const auto confirm = [&](int deducted) {
        if (!ask) {
            answer = tool.interrupts.caught() ? Answer::Interrupted : Answer::Yes;
        } else {
            answer = askYesNo(terminal.get(), terminal.get(),
                              "Take " + std::to_string(deducted) + " off card " + uid + "? [y/N] ",
                              kPatience, tool.interrupts);
        }
        return answer == Answer::Yes;
    };
    Block block{};
    const purchase::PurchaseResult result =
        purchase::purchase(tool.api, block, amount, confirm, &recorder);
    const std::string journalProblem = recorder.problem().value_or("");

    if (result.outcome == PurchaseOutcome::Written) {
        if (!journalProblem.empty()) {
            tool.report.note("the purchase's outcome was not recorded in the journal (the next "
                             "charge of this card settles it): " +
                             journalProblem);
        }
        tool.report.result("charge",
                           "charged " + std::to_string(*result.credit - *result.newCredit) +
                               " off " + uid + ": credit " + std::to_string(*result.credit) +
                               " -> " + std::to_string(*result.newCredit),
                           Json{{"uid", uid},
                                {"amount", amountTyped},
                                {"credit", *result.credit},
                                {"new_credit", *result.newCredit},
                                {"outcome", "written"}},
                           result.status);
        return 0;
    }
    if (answer == Answer::Interrupted) {
        return tool.report.interrupted("charge", "interrupted: nothing was taken off",
                                       *tool.interrupts.caught());
    }
    Told what = told(result, amountTyped);
    if (answer == Answer::NoAnswerInTime) {
        what.message = "no answer within a minute: nothing was taken off";
    }
    if (result.outcome == PurchaseOutcome::NotRecorded) {
        what.message += ": " + journalProblem;
    }
    return tool.report.failure("charge", what.message, what.code,
                               what.withStatus ? std::optional(result.status) : std::nullopt);
}

} // namespace tagcard
