#include "PollFixture.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

TEST_F(PollTest, LoadOpensCom1At9600AndDoesNothingElse) {
    mfdouble::script("MF_InitComm", {MF_ERR_NO_SUCH_PORT, {}}); // not looked at
    open();
    EXPECT_EQ(mfdouble::callNames(), (std::vector<std::string>{"MF_InitComm"}));
    const auto init = mfdouble::callsOf("MF_InitComm");
    EXPECT_EQ(init[0].text, "COM1");
    EXPECT_EQ(init[0].args, (std::vector<std::int64_t>{9600}));
    EXPECT_EQ(control<QLabel>("Label1")->text(), "Timer is off");
    EXPECT_FALSE(control<ui::IntervalTimer>("Timer1")->isTicking());
}

TEST_F(PollTest, ClosingTheWindowClosesThePort) {
    open();
    mfdouble::reset();
    window.reset();
    EXPECT_EQ(mfdouble::callNames(), (std::vector<std::string>{"MF_ExitComm"}));
}

TEST_F(PollTest, TheScrollBarSetsTheIntervalAndTheCaption) {
    open();
    mfdouble::reset();
    auto* bar = control<QScrollBar>("HScroll1");
    auto* timer = control<ui::IntervalTimer>("Timer1");
    auto* label = control<QLabel>("Label1");

    bar->setValue(25);
    EXPECT_EQ(timer->interval(), 25);
    EXPECT_TRUE(timer->isTicking());
    EXPECT_EQ(label->text(), "25 ms");

    bar->setValue(150);
    EXPECT_EQ(timer->interval(), 150);
    EXPECT_EQ(label->text(), "150 ms");

    bar->setValue(0);
    EXPECT_EQ(timer->interval(), 0);
    EXPECT_FALSE(timer->isTicking()); // 0 stops the polling, it does not poll flat out
    EXPECT_TRUE(timer->isEnabled());
    EXPECT_EQ(label->text(), "0 ms");

    EXPECT_TRUE(mfdouble::callNames().empty());
}

TEST_F(PollTest, TheScrollBarKeysStepByOneAndPagesByTen) {
    open();
    auto* bar = control<QScrollBar>("HScroll1");
    // Down and Page Down move a scroll bar forward as on Windows.
    QTest::keyClick(bar, Qt::Key_Down);
    EXPECT_EQ(control<QLabel>("Label1")->text(), "1 ms");
    QTest::keyClick(bar, Qt::Key_PageDown);
    EXPECT_EQ(control<QLabel>("Label1")->text(), "11 ms");
    QTest::keyClick(bar, Qt::Key_End);
    EXPECT_EQ(control<ui::IntervalTimer>("Timer1")->interval(), 150);
}

TEST_F(PollTest, ResetResetsTheReaderAtDeviceZero) {
    open();
    presentCard({1, 2, 3, 4});
    tick();
    mfdouble::reset();
    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
    EXPECT_EQ(mfdouble::callNames(), (std::vector<std::string>{"MF_DeviceReset"}));
    EXPECT_EQ(mfdouble::callsOf("MF_DeviceReset")[0].args, (std::vector<std::int64_t>{0}));
    EXPECT_EQ(log(), "1234\n"); // the log stays
}

TEST_F(PollTest, ClickingTheLabelOfAStoppedTimerSaysSoInWords) {
    open();
    auto* bar = control<QScrollBar>("HScroll1");
    auto* label = control<QLabel>("Label1");
    auto* timer = control<ui::IntervalTimer>("Timer1");
    mfdouble::reset();

    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_EQ(label->text(), "Timer is off");

    bar->setValue(40);
    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_EQ(label->text(), "40 ms"); // a running timer keeps its interval and its caption
    EXPECT_TRUE(timer->isTicking());
    EXPECT_EQ(timer->interval(), 40);

    bar->setValue(0);
    EXPECT_EQ(label->text(), "0 ms");
    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_EQ(label->text(), "Timer is off");
    EXPECT_FALSE(timer->isTicking());
    EXPECT_EQ(bar->value(), 0);

    EXPECT_TRUE(mfdouble::callNames().empty());
}
