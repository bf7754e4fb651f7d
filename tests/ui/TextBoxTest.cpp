#include "ui/TextBox.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using ui::TextBox;

TEST(TextBox, ALimitNeverShortensTheTextAlreadyThere) {
    TextBox box;
    box.setText("0123456789abcdefghij"); // 20 characters, no limit yet
    box.setMaxLength(16);
    EXPECT_EQ(box.text(), "0123456789abcdefghij");
    EXPECT_EQ(box.maxLength(), 16);

    box.setFocus();
    box.end(false);
    QTest::keyClicks(&box, "xyz");
    EXPECT_EQ(box.text(), "0123456789abcdefghij"); // typing beyond the limit is refused

    box.backspace(); // 19 characters: still above the limit, so still no room
    QTest::keyClicks(&box, "x");
    EXPECT_EQ(box.text(), "0123456789abcdefghi");
}

TEST(TextBox, TypingAndAssignedTextAreCutAtTheLimit) {
    TextBox box;
    box.setMaxLength(4);
    QTest::keyClicks(&box, "abcdef");
    EXPECT_EQ(box.text(), "abcd");

    QSignalSpy changes(&box, &QLineEdit::textChanged);
    box.setText("0123456789");
    EXPECT_EQ(box.text(), "0123");
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0][0].toString(), "0123"); // handlers only ever see the cut text

    box.setMaxLength(0); // no limit
    box.setText(QString(100, 'x'));
    EXPECT_EQ(box.text().size(), 100);
    QTest::keyClicks(&box, "y");
    EXPECT_EQ(box.text().size(), 101);
}

TEST(TextBox, AChangeHandlerMaySetTheLimitAndTheTextNested) {
    TextBox box;
    int runs = 0;
    QObject::connect(&box, &QLineEdit::textChanged, [&](const QString& text) {
        ++runs;
        box.setMaxLength(2);
        if (text == "bad") {
            box.setText("0"); // runs this handler again, inside this run
        }
    });
    box.setText("bad");
    EXPECT_EQ(box.text(), "0");
    EXPECT_EQ(runs, 2);
    box.setText("12345");
    EXPECT_EQ(box.text(), "12");
}
