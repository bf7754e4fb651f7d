#include "PollFixture.h"

#include "ui/Twips.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {

QRect pixels(int left, int top, int width, int height) {
    return ui::twipsToPixels(QRect(left, top, width, height), ui::logicalDpi());
}

QString focusedControl() {
    QWidget* focused = QApplication::focusWidget();
    return focused != nullptr ? focused->objectName() : QString();
}

} // namespace

TEST_F(PollTest, TheWindowIsATallFixedToolWindowPlacedByTheSystem) {
    auto& form = open();
    EXPECT_EQ(form.objectName(), "Form1");
    EXPECT_EQ(form.windowTitle(), "Form1");
    EXPECT_EQ(form.size(), pixels(0, 0, 4695, 13230).size());
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool); // a tool window stays out of the task bar
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(form.testAttribute(Qt::WA_Moved)); // no position of its own
    EXPECT_TRUE(form.testAttribute(Qt::WA_QuitOnClose));
}

TEST_F(PollTest, EveryControlIsVisibleAtItsPlace) {
    auto& form = open();
    const std::vector<std::pair<const char*, QRect>> places = {
        {"Text1", pixels(120, 120, 1695, 12975)},  {"HScroll1", pixels(1920, 240, 2760, 200)},
        {"Command1", pixels(2040, 600, 615, 255)}, {"Command2", pixels(2760, 600, 615, 255)},
        {"Label1", pixels(3480, 645, 1215, 255)},
    };
    for (const auto& [name, place] : places) {
        SCOPED_TRACE(name);
        QWidget* widget = control(name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget(), &form);
        EXPECT_EQ(widget->geometry(), place);
        EXPECT_TRUE(widget->isVisibleTo(&form));
    }
    EXPECT_EQ(form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 5);
}

TEST_F(PollTest, ControlsStartWithTheirCaptionsAndSettings) {
    open();
    auto* log = control<QPlainTextEdit>("Text1");
    EXPECT_TRUE(log->toPlainText().isEmpty());
    EXPECT_FALSE(log->isReadOnly());
    auto* bar = control<QScrollBar>("HScroll1");
    EXPECT_EQ(bar->orientation(), Qt::Horizontal);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 150);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(bar->singleStep(), 1);
    EXPECT_EQ(bar->pageStep(), 10);
    EXPECT_EQ(control<QPushButton>("Command1")->text(), "Clear");
    EXPECT_EQ(control<QPushButton>("Command2")->text(), "reset");
    EXPECT_EQ(control<QLabel>("Label1")->text(), "Timer is off");
    auto* timer = control<ui::IntervalTimer>("Timer1");
    EXPECT_TRUE(timer->isEnabled());
    EXPECT_EQ(timer->interval(), 0);
    EXPECT_FALSE(timer->isTicking());
}

TEST_F(PollTest, TabVisitsTheControlsInTheOrderOfTheWindow) {
    auto& form = open();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    const QStringList expected = {"Text1", "HScroll1", "Command1", "Command2", "Text1"};
    QStringList visited{focusedControl()};
    for (qsizetype i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << focusedControl();
    }
    EXPECT_EQ(visited, expected);
    EXPECT_TRUE(log().isEmpty()); // Tab moved on rather than typing into the log
}
