#include "ProgramFixture.h"
#include "Waits.h"

#include "poll/Form1.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

namespace {

using namespace std::chrono_literals;
using testing_support::waitUntilEquals;

class PollEndToEnd : public ProgramTest<poll::Form1> {};

QStringList loggedLines(QPlainTextEdit* log) {
    return log->toPlainText().split(QRegularExpression("[\r\n]+"), Qt::SkipEmptyParts);
}

} // namespace

TEST_F(PollEndToEnd, TwoCardsPresentedInTurnAreLoggedInOrder) {
    window = std::make_unique<poll::Form1>(api); // opens COM1, which the emulator publishes
    console("create 1k 0A00C310 20", "0A00C310");
    auto* log = control<QPlainTextEdit>("Text1");
    control<QScrollBar>("HScroll1")->setValue(10);

    const auto logged = [log] {
        return loggedLines(log);
    };
    ASSERT_TRUE(waitUntilEquals(logged, QStringList{"A1B2C3D4"}, 10s)) << "the first card logged";
    console("remove A1B2C3D4", "A1B2C3D4");
    console("present 0A00C310", "0A00C310");
    ASSERT_TRUE(waitUntilEquals(logged, QStringList{"A1B2C3D4", "A0C310"}, 10s))
        << "the second card logged after the first";
    console("remove 0A00C310", "0A00C310");
    console("present A1B2C3D4", "A1B2C3D4");
    ASSERT_TRUE(waitUntilEquals(logged, QStringList{"A1B2C3D4", "A0C310", "A1B2C3D4"}, 10s))
        << "the first card logged again when presented again";
    expectOutput("green LED on");

    control<QScrollBar>("HScroll1")->setValue(0); // stops the polling
    const QString before = log->toPlainText();
    console("remove A1B2C3D4", "A1B2C3D4");
    console("present 0A00C310", "0A00C310");
    QTest::qWait(300);
    EXPECT_EQ(log->toPlainText(), before);
}
