#include "panel/KOV450.h"

#include "binding/MfApi.h"
#include "cli/InfoOptions.h"
#include "journal/JournalLocation.h"
#include "journal/PurchaseJournal.h"
#include "ui/MessageBoxes.h"

#include <QApplication>

namespace {

constexpr const char* kUsage =
    "usage: tagbench [--help] [--version] [Qt options]\n"
    "The KOV450 reader panel: a control for every reader command and the Auto Read purchase\n"
    "terminal. It opens its port by name (USB, COM1, a device path, socket://HOST:PORT).\n"
    "  --help     this text\n"
    "  --version  the version, and the MF_API library it finds\n"
    "Qt's own options (-platform NAME, -style NAME, -reverse, ...) go to Qt; nothing else\n"
    "is taken.\n"
    "Environment: MF_API_PORTS, XDG_RUNTIME_DIR (port folder), MF_API_ANSWER_MARGIN_MS,\n"
    "XDG_STATE_HOME (purchase journal, else ~/.local/state/tagbench/purchases.csv).\n"
    "See tagbench(1).\n";

} // namespace

int main(int argc, char* argv[]) {
    // Before QApplication, which would need a display.
    if (const auto status = cli::answerQtCommandLine(
            argc, argv, {"tagbench", kUsage, reader::LibraryLocation::besideProgram()})) {
        return *status;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("tagbench");
    reader::MfApi api(reader::LibraryLocation::besideProgram());
    ui::QtMessageBoxes messages("tagbench");
    journal::PurchaseJournal purchases(journal::purchaseJournalPath());
    panel::KOV450 window(api, messages, purchases);
    window.show();
    return QApplication::exec();
}
