#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

using ui::MessageBoxes;

/// Answers the modal box that `ask` shows, once it is up, after looking at it.
void whenTheBoxIsUp(const std::function<void(QMessageBox*)>& answer) {
    QTimer::singleShot(0, [answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        answer(box);
    });
}

} // namespace

TEST(QtMessageBoxes, AskShowsAPlainBoxWithTheTitleOkFirstAndEscapeForCancel) {
    ui::QtMessageBoxes messages("tagbench");
    QString title;
    QMessageBox::Icon icon = QMessageBox::Information;
    QString defaultButton;
    int buttons = 0;
    whenTheBoxIsUp([&](QMessageBox* box) {
        title = box->windowTitle();
        icon = box->icon();
        defaultButton = box->defaultButton()->text();
        buttons = static_cast<int>(box->buttons().size());
        QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(messages.ask(nullptr, "text", MessageBoxes::Buttons::OkCancel),
              MessageBoxes::Answer::Cancel);
    EXPECT_EQ(title, "tagbench");
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(buttons, 2);
    EXPECT_EQ(
        defaultButton,
        QMessageBox(QMessageBox::NoIcon, "", "", QMessageBox::Ok).button(QMessageBox::Ok)->text());

    whenTheBoxIsUp([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
    EXPECT_EQ(messages.ask(nullptr, "text", MessageBoxes::Buttons::OkCancel),
              MessageBoxes::Answer::Ok); // Enter takes the default, OK
}

TEST(QtMessageBoxes, AnOkOnlyBoxAnswersOkAndATellDoesNotWait) {
    ui::QtMessageBoxes messages("tagbench");
    int buttons = 0;
    whenTheBoxIsUp([&](QMessageBox* box) {
        buttons = static_cast<int>(box->buttons().size());
        QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(messages.ask(nullptr, "text", MessageBoxes::Buttons::Ok), MessageBoxes::Answer::Ok);
    EXPECT_EQ(buttons, 1);

    messages.tell(nullptr, "the library is missing"); // returns at once
    QMessageBox* shown = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
            shown = box;
        }
    }
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->text(), "the library is missing");
    EXPECT_EQ(shown->windowTitle(), "tagbench");
    shown->close(); // deletes itself
}
