#include "ui/IntervalTimer.h"
#include "ui/OptionGroup.h"
#include "ui/ScrollBar.h"
#include "ui/Twips.h"

#include "Waits.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

TEST(IntervalTimer, TicksOnlyWhileEnabledWithAnIntervalAboveZero) {
    ui::IntervalTimer timer;
    QSignalSpy ticks(&timer, &ui::IntervalTimer::tick);

    timer.setEnabled(true); // interval 0: no ticks, not a tick at every pass of the loop
    QTest::qWait(30);
    EXPECT_EQ(ticks.size(), 0);
    EXPECT_FALSE(timer.isTicking());

    timer.setInterval(5);
    EXPECT_TRUE(timer.isTicking());
    EXPECT_TRUE(ticks.wait(2000));

    timer.setEnabled(false);
    EXPECT_FALSE(timer.isTicking());
    const auto seen = ticks.size();
    QTest::qWait(30);
    EXPECT_EQ(ticks.size(), seen);

    timer.setEnabled(true);
    timer.setInterval(0);
    EXPECT_FALSE(timer.isTicking());
    EXPECT_TRUE(timer.isEnabled());
}

TEST(IntervalTimer, ATickNeverStartsInsideAnother) {
    ui::IntervalTimer timer;
    int depth = 0;
    int deepest = 0;
    int ticks = 0;
    QObject::connect(&timer, &ui::IntervalTimer::tick, [&] {
        ++depth;
        ++ticks;
        deepest = std::max(deepest, depth);
        QTest::qWait(20); // a nested event loop, as a message box runs one
        --depth;
    });
    timer.setInterval(2);
    timer.setEnabled(true);
    ASSERT_TRUE(testing_support::waitUntil([&] { return ticks >= 3; }, std::chrono::seconds(5)))
        << "three ticks; saw " << ticks;
    timer.setEnabled(false);
    EXPECT_EQ(deepest, 1);
}

TEST(OptionGroups, EachIsOneTabStopOnTheSelectedButtonAndArrowsMoveTheSelection) {
    QWidget window;
    auto* first = new QRadioButton("first", &window);
    auto* second = new QRadioButton("second", &window);
    auto* third = new QRadioButton("third", &window);
    auto* frame = new QWidget(&window);
    auto* inFrame = new QRadioButton("in a frame", frame);
    auto* otherInFrame = new QRadioButton("another in the frame", frame);
    otherInFrame->setChecked(true);
    ui::OptionGroups groups({{first, second, third}, {inFrame, otherInFrame}}, &window);

    EXPECT_EQ(groups.tabStop(0), first); // none selected: the first takes the stop
    EXPECT_EQ(first->focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(second->focusPolicy(), Qt::ClickFocus);

    second->setChecked(true);
    EXPECT_EQ(groups.tabStop(0), second);
    EXPECT_EQ(second->focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(first->focusPolicy(), Qt::ClickFocus);
    EXPECT_EQ(third->focusPolicy(), Qt::ClickFocus);

    QSignalSpy thirdClicks(third, &QAbstractButton::clicked);
    QTest::keyClick(second, Qt::Key_Down);
    EXPECT_TRUE(third->isChecked());
    EXPECT_EQ(thirdClicks.size(), 1);
    QTest::keyClick(third, Qt::Key_Right); // wraps to the first
    EXPECT_TRUE(first->isChecked());
    QTest::keyClick(first, Qt::Key_Up); // and back round to the last
    EXPECT_TRUE(third->isChecked());
    EXPECT_EQ(groups.tabStop(0), third);

    // Focus on one group leaves the other group's stop where it was.
    window.show();
    first->setFocus();
    EXPECT_EQ(otherInFrame->focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(inFrame->focusPolicy(), Qt::ClickFocus);
    EXPECT_EQ(groups.tabStop(1), otherInFrame);
}

TEST(Twips, BecomePixelsAtTheLogicalDpi) {
    EXPECT_EQ(ui::twipsToPixels(15, 96), 1);
    EXPECT_EQ(ui::twipsToPixels(1440, 96), 96);
    EXPECT_EQ(ui::twipsToPixels(7950, 96), 530);
    EXPECT_EQ(ui::twipsToPixels(1440, 120), 120);
    EXPECT_EQ(ui::twipsToPixels(QRect(120, 240, 735, 375), 96), QRect(8, 16, 49, 25));
}

TEST(ScrollBar, KeysMoveItTheWindowsWay) {
    ui::ScrollBar bar;
    bar.setRange(0, 15);
    bar.setPageStep(4);
    bar.setValue(5);
    QTest::keyClick(&bar, Qt::Key_Right);
    EXPECT_EQ(bar.value(), 6);
    QTest::keyClick(&bar, Qt::Key_Down);
    EXPECT_EQ(bar.value(), 7);
    QTest::keyClick(&bar, Qt::Key_Left);
    QTest::keyClick(&bar, Qt::Key_Up);
    EXPECT_EQ(bar.value(), 5);
    QTest::keyClick(&bar, Qt::Key_PageDown);
    EXPECT_EQ(bar.value(), 9);
    QTest::keyClick(&bar, Qt::Key_PageUp);
    EXPECT_EQ(bar.value(), 5);
    QTest::keyClick(&bar, Qt::Key_End);
    EXPECT_EQ(bar.value(), 15);
    QTest::keyClick(&bar, Qt::Key_Home);
    EXPECT_EQ(bar.value(), 0);
}
