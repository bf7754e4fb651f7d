#include "PollFixture.h"

#include "poll/SerialLog.h"

#include <QScrollBar>
#include <QTest>

TEST(SerialLog, EachTextEndsItsOwnLineAfterWhatTheLogHolds) {
    QPlainTextEdit log;
    poll::appendLine(log, "A0C310");
    poll::appendLine(log, "1234");
    EXPECT_EQ(log.toPlainText(), "A0C310\n1234\n");

    QPlainTextEdit typedInto;
    typedInto.setPlainText("note: ");
    poll::appendLine(typedInto, "1234");
    EXPECT_EQ(typedInto.toPlainText(), "note: 1234\n");
}

TEST(SerialLog, ABoundedLogDropsItsOldestWholeLinesAndGoesOn) {
    QPlainTextEdit log;
    poll::keepNewestLines(log, 3);
    for (const char* text : {"one", "two", "three"}) {
        poll::appendLine(log, text);
    }
    EXPECT_EQ(log.toPlainText(), "one\ntwo\nthree\n");
    poll::appendLine(log, "four");
    poll::appendLine(log, "five");
    EXPECT_EQ(log.toPlainText(), "three\nfour\nfive\n");
}

TEST(SerialLog, AppendingLeavesTheUsersCaretAlone) {
    QPlainTextEdit log;
    poll::appendLine(log, "one");
    QTextCursor caret = log.textCursor();
    caret.setPosition(1);
    log.setTextCursor(caret);
    poll::appendLine(log, "two");
    EXPECT_EQ(log.textCursor().position(), 1);
}

TEST(SerialLog, AViewAtTheEndFollowsNewLinesAndOneScrolledBackStays) {
    QPlainTextEdit log;
    log.resize(200, 100);
    log.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&log));
    QScrollBar* view = log.verticalScrollBar();
    for (int i = 0; i < 100; ++i) {
        poll::appendLine(log, QString::number(i));
    }
    ASSERT_GT(view->maximum(), 0);
    EXPECT_EQ(view->value(), view->maximum());

    view->setValue(5);
    poll::appendLine(log, "more");
    EXPECT_EQ(view->value(), 5);
}

TEST_F(PollTest, TheLogKeepsTheNewestTenThousandLines) {
    open();
    const int cards = poll::kLogLineLimit + 2;
    for (int i = 0; i < cards; ++i) {
        const auto n = static_cast<std::uint32_t>(i + 1);
        presentCard({static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n), 0, 0});
        tick();
    }
    mfdouble::reset(); // the recorded calls are not needed, only the log
    EXPECT_EQ(poll::kLogLineLimit, 10000);
    const QStringList lines = log().split('\n');
    ASSERT_EQ(lines.size(), poll::kLogLineLimit + 1); // and the empty one after the last break
    EXPECT_EQ(lines.front(), "0300");                 // cards 1 and 2 (0100, 0200) were dropped
    EXPECT_EQ(lines[lines.size() - 2], "271200");     // card 10002 = 0x2712
    EXPECT_TRUE(lines.back().isEmpty());

    presentCard({0xFF, 0xFF, 0xFF, 0xFF}); // still logging
    tick();
    EXPECT_TRUE(log().endsWith("FFFFFFFF\n"));
    EXPECT_TRUE(log().startsWith("0400\n"));
}
