// tagpoll with faults on the line: it shows no status codes, so what matters is that garbage
// never becomes a logged serial number, that polling goes on after the fault, and that a
// vanished reader leaves the window running.
#include "ProgramFixture.h"
#include "Waits.h"

#include "poll/Form1.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

namespace {

using namespace std::chrono_literals;
using testing_support::waitUntilEquals;

class PollFaults : public ProgramTest<poll::Form1> {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        window = std::make_unique<poll::Form1>(api); // opens COM1, which the emulator publishes
        console("create 1k 0A00C310 20", "0A00C310");
        log = control<QPlainTextEdit>("Text1");
        control<QScrollBar>("HScroll1")->setValue(10);
        ASSERT_TRUE(waitUntilEquals([this] { return lines(); }, QStringList{"A1B2C3D4"}, 10s))
            << "the first card logged";
    }

    QStringList lines() const {
        return log->toPlainText().split(QRegularExpression("[\r\n]+"), Qt::SkipEmptyParts);
    }

    QPlainTextEdit* log = nullptr;
};

} // namespace

TEST_F(PollFaults, GarbledLostAndLateAnswersLogNothingAndPollingGoesOn) {
    console("remove A1B2C3D4", "A1B2C3D4");
    console("present 0A00C310", "0A00C310");
    console("wrongspeed on", "wrong line speed");
    QTest::qWait(1500);
    console("wrongspeed off", "at the line speed");
    console("drop", "is lost");
    console("corrupt", "broken CRC");
    console("delay 1500", "late");
    // Nothing of the garbage was logged; the card in the field is, once the line is clean.
    ASSERT_TRUE(waitUntilEquals([this] { return lines(); }, QStringList{"A1B2C3D4", "A0C310"}, 10s))
        << "the second card logged, and nothing of the garbage";
}

TEST_F(PollFaults, AVanishedReaderLeavesTheWindowRunningAndLogsNothing) {
    console("vanish", "the pty is closed");
    console("remove A1B2C3D4", "A1B2C3D4");
    console("present 0A00C310", "0A00C310");
    QTest::qWait(500); // ticks go on, each failing at once with the port closed
    EXPECT_EQ(lines(), QStringList{"A1B2C3D4"});
    EXPECT_TRUE(window->isEnabled());
}
