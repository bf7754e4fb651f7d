// The panel's purchase and its buttons with each fault of kov450-emu on the line. What the
// operator must see, and what the card must hold afterwards:
// - the write's answer lost (dropped, corrupted, late, garbled, reader gone): the reader may have
//   written, so the panel says it does not know, and the card holds the old or the new credit;
// - the card gone before or during the write (pulled, torn): nothing written, and it says so.
#include "ProgramFixture.h"
#include "Waits.h"

#include "panel/KOV450.h"
#include "panel/PurchaseMessages.h"

#include <QCheckBox>
#include <QTest>

#include <chrono>
#include <string>

namespace {

using Answer = ui::MessageBoxes::Answer;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using testing_support::waitUntilEquals;

class PanelFaults : public OpenPanelTest {
protected:
    /// One purchase of 10 from the default credit of 50 with `fault` typed while the operator
    /// is asked; the message that follows the OK.
    QString purchaseWith(const std::string& fault, const std::string& echo) {
        boxes.answers = {Answer::Ok};
        boxes.whileAsking = [this, fault, echo] {
            console(fault, echo);
        };
        control<QCheckBox>("AutoCheck")->setChecked(true);
        [&] {
            ASSERT_TRUE(waitUntilEquals(boxesShown(), std::size_t{2}, 10s))
                << "the purchase question and the message after the OK";
        }();
        if (HasFatalFailure()) {
            return {};
        }
        EXPECT_EQ(boxes.shown[0].text, panel::deductionQuestion(10));
        EXPECT_FALSE(control<QCheckBox>("AutoCheck")->isChecked());
        return boxes.shown[1].text;
    }

    /// The status a panel button shows, and that it came in bounded time.
    QString statusOfClick(const char* button) {
        const auto start = Clock::now();
        click(button);
        EXPECT_LT(Clock::now() - start, 3s) << button;
        return text("ResultTXT");
    }
};

TEST_F(PanelFaults, ALostWriteAnswerIsToldAsUnknownAndTheCardWasWrittenOnce) {
    EXPECT_EQ(purchaseWith("drop", "is lost"), panel::kWriteUnknown);
    console("cards", "credit 40");
}

TEST_F(PanelFaults, ACorruptedWriteAnswerIsToldAsUnknownAndTheCardWasWrittenOnce) {
    EXPECT_EQ(purchaseWith("corrupt", "broken CRC"), panel::kWriteUnknown);
    console("cards", "credit 40");
}

TEST_F(PanelFaults, AWriteAnswerLatePastTheTimeoutIsToldAsUnknown) {
    EXPECT_EQ(purchaseWith("delay 1500", "late"), panel::kWriteUnknown);
    console("cards", "credit 40");
    // The late answer does not confuse the next purchase.
    boxes.shown.clear();
    boxes.whileAsking = nullptr;
    boxes.answers = {Answer::Ok};
    control<QCheckBox>("AutoCheck")->setChecked(true);
    ASSERT_TRUE(waitUntilEquals(boxesShown(), std::size_t{1}, 10s))
        << "the question of the next purchase";
    EXPECT_EQ(boxes.shown[0].text, panel::deductionQuestion(10));
    console("cards", "credit 30");
}

TEST_F(PanelFaults, AReaderThatStopsAnsweringWritesNothingAndIsToldAsUnknown) {
    EXPECT_EQ(purchaseWith("mute on", "answers nothing"), panel::kWriteUnknown);
    console("cards", "credit 50");
}

TEST_F(PanelFaults, AReaderAnsweringAtTheWrongSpeedIsToldAsUnknown) {
    EXPECT_EQ(purchaseWith("wrongspeed on", "wrong line speed"), panel::kWriteUnknown);
    console("cards", "credit 40");
}

TEST_F(PanelFaults, AVanishedReaderWritesNothingAndIsToldAsUnknown) {
    EXPECT_EQ(purchaseWith("vanish", "the pty is closed"), panel::kWriteUnknown);
    console("cards", "credit 50");
    EXPECT_EQ(statusOfClick("Request"), QString::number(MF_ERR_NOT_OPEN));
}

TEST_F(PanelFaults, ACardPulledBetweenReadAndWriteKeepsItsCreditAndTheOperatorIsTold) {
    console("pull", "after the next read");
    boxes.answers = {Answer::Ok};
    control<QCheckBox>("AutoCheck")->setChecked(true);
    ASSERT_TRUE(waitUntilEquals(boxesShown(), std::size_t{2}, 10s))
        << "the purchase question and the message after the OK";
    EXPECT_EQ(boxes.shown[0].text, panel::deductionQuestion(10));
    EXPECT_EQ(boxes.shown[1].text, panel::kNothingDeducted);
    console("cards", "credit 50");
}

TEST_F(PanelFaults, ATornWriteKeepsTheOldCreditAndIsNeverReportedAsDone) {
    EXPECT_EQ(purchaseWith("tear", "after 0 block"), panel::kNothingDeducted);
    console("cards", "credit 50");
}

TEST_F(PanelFaults, EachLineFaultShowsItsStatusOnTheButtonThatMetIt) {
    console("drop", "is lost");
    EXPECT_EQ(statusOfClick("Request"), QString::number(MF_ERR_TIMEOUT));
    console("corrupt", "broken CRC");
    EXPECT_EQ(statusOfClick("Request"), QString::number(MF_ERR_BAD_FRAME));
    console("mute on", "answers nothing");
    EXPECT_EQ(statusOfClick("Request"), QString::number(MF_ERR_TIMEOUT));
    console("mute off", "answers again");
    EXPECT_EQ(statusOfClick("Request"), "0");
    console("vanish", "the pty is closed");
    EXPECT_EQ(statusOfClick("Request"), QString::number(MF_ERR_DEVICE_GONE));
    EXPECT_EQ(statusOfClick("Request"), QString::number(MF_ERR_NOT_OPEN));
}

} // namespace
