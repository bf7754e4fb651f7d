// The panel as tagbench runs it (its journal where tagbench keeps it, our real MF_API) with an
// operator on standard input, so that a test can kill it in the middle of a purchase. It opens
// USB, starts the auto read and ends when the auto read has handled one card. Each message box
// is a line on standard output, "asked: TEXT" or "told: TEXT"; a question waits for a line,
// "ok" or anything else for Cancel.
#include "binding/MfApi.h"
#include "journal/JournalLocation.h"
#include "journal/PurchaseJournal.h"
#include "panel/KOV450.h"
#include "ui/MessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

#include <iostream>
#include <string>

namespace {

constexpr int kLongestRunMs = 30000;

class OperatorOnStdin : public ui::MessageBoxes {
public:
    Answer ask(QWidget*, const QString& text, Buttons) override {
        std::cout << "asked: " << text.toStdString() << std::endl;
        std::string answer;
        std::getline(std::cin, answer);
        return answer == "ok" ? Answer::Ok : Answer::Cancel;
    }
    void tell(QWidget*, const QString& text) override {
        std::cout << "told: " << text.toStdString() << std::endl;
    }
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    reader::MfApi api(reader::LibraryLocation::besideProgram());
    OperatorOnStdin operatorAtTheCounter;
    journal::PurchaseJournal purchases(journal::purchaseJournalPath());
    panel::KOV450 window(api, operatorAtTheCounter, purchases);

    window.findChild<QAbstractButton*>("PortSet")->click();
    std::cout << "port: " << window.findChild<QLineEdit*>("ResultTXT")->text().toStdString()
              << std::endl;
    auto* autoCheck = window.findChild<QCheckBox*>("AutoCheck");
    autoCheck->setChecked(true);

    // The auto read clears its check box when it takes a card, and the purchase runs to its end
    // within that same tick, so a cleared box seen between ticks means the card is handled.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!autoCheck->isChecked()) {
            std::cout << "done" << std::endl;
            QApplication::exit(0);
        }
    });
    watch.start(20);
    QTimer::singleShot(kLongestRunMs, [] {
        std::cout << "no card handled" << std::endl;
        QApplication::exit(1);
    });
    return QApplication::exec();
}
