#include "poll/Form1.h"

#include "binding/MfApi.h"
#include "ui/MessageBoxes.h"

#include <QApplication>

int main(int argc, char* argv[]) {
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
