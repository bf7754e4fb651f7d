#include "poll/ClickWatcher.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

TEST(ClickWatcher, APressAndReleaseOfTheLeftButtonOnTheWidgetIsAClick) {
    QLabel label("caption");
    label.resize(100, 20);
    auto* watcher = new poll::ClickWatcher(&label);
    QSignalSpy clicks(watcher, &poll::ClickWatcher::clicked);

    QTest::mouseClick(&label, Qt::LeftButton);
    EXPECT_EQ(clicks.size(), 1);

    QTest::mouseClick(&label, Qt::RightButton);
    EXPECT_EQ(clicks.size(), 1);

    // Pressed on the label, released beside it: withdrawn.
    QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(150, 10));
    EXPECT_EQ(clicks.size(), 1);

    // A release without a press of its own is not a click.
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicks.size(), 1);
}
