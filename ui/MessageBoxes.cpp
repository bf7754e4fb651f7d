#include "ui/MessageBoxes.h"

#include <QMessageBox>
#include <QPushButton>

#include <memory>

namespace ui {

namespace {

std::unique_ptr<QMessageBox> makeBox(QWidget* parent, const QString& title, const QString& text,
                                     MessageBoxes::Buttons buttons) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setIcon(QMessageBox::NoIcon);
    box->setWindowTitle(title);
    box->setText(text);
    QPushButton* ok = box->addButton(QMessageBox::Ok);
    box->setDefaultButton(ok);
    if (buttons == MessageBoxes::Buttons::OkCancel) {
        box->setEscapeButton(box->addButton(QMessageBox::Cancel));
    } else {
        box->setEscapeButton(ok);
    }
    return box;
}

} // namespace

MessageBoxes::Answer QtMessageBoxes::ask(QWidget* parent, const QString& text, Buttons buttons) {
    const std::unique_ptr<QMessageBox> box = makeBox(parent, title_, text, buttons);
    box->exec();
    return box->clickedButton() == box->button(QMessageBox::Ok) ? Answer::Ok : Answer::Cancel;
}

void QtMessageBoxes::tell(QWidget* parent, const QString& text) {
    std::unique_ptr<QMessageBox> box = makeBox(parent, title_, text, Buttons::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    box.release(); // deleted when closed
}

} // namespace ui
