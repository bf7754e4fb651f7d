#include "poll/Form1.h"

#include "reader/MfApi.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("tagpoll");
    reader::MfApi api(reader::LibraryLocation::besideProgram());
    // The window shows no messages; a missing library is still worth a line on the terminal.
    api.setProblemHandler(
        [](const std::string& problem) { qWarning("tagpoll: %s", problem.c_str()); });
    poll::Form1 window(api);
    window.show();
    return QApplication::exec();
}
