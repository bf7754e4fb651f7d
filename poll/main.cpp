#include "poll/Form1.h"

#include "binding/MfApi.h"
#include "cli/InfoOptions.h"
#include "ui/MessageBoxes.h"

#include <QApplication>

namespace {

constexpr const char* kUsage =
    "usage: tagpoll [--help] [--version] [Qt options]\n"
    "Polls the KOV450 reader on port COM1 and logs the serial number of each new card.\n"
    "  --help     this text\n"
    "  --version  the version, and the MF_API library it finds\n"
    "Qt's own options (-platform NAME, -style NAME, -reverse, ...) go to Qt; nothing else\n"
    "is taken.\n"
    "Environment: MF_API_PORTS, XDG_RUNTIME_DIR (port folder), MF_API_ANSWER_MARGIN_MS.\n"
    "See tagpoll(1).\n";

} // namespace

int main(int argc, char* argv[]) {
    // Before QApplication, which would need a display.
    if (const auto status = cli::answerQtCommandLine(
            argc, argv, {"tagpoll", kUsage, reader::LibraryLocation::besideProgram()})) {
        return *status;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("tagpoll");
    reader::MfApi api(reader::LibraryLocation::besideProgram());
    // The window reports no reader failures, but a missing library is said once, on screen and
    // on the terminal, or the sample would sit silent for no visible reason.
    ui::QtMessageBoxes messages("tagpoll");
    api.setProblemHandler([&messages](const std::string& problem) {
        qWarning("tagpoll: %s", problem.c_str());
        messages.tell(nullptr, QString::fromStdString(problem));
    });
    poll::Form1 window(api);
    window.show();
    const int status = QApplication::exec();
    api.setProblemHandler({});
    return status;
}
