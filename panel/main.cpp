#include "panel/KOV450.h"

#include "binding/MfApi.h"
#include "ui/MessageBoxes.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("tagbench");
    reader::MfApi api(reader::LibraryLocation::besideProgram());
    ui::QtMessageBoxes messages("tagbench");
    panel::KOV450 window(api, messages);
    window.show();
    return QApplication::exec();
}
