#include "ProgramFixture.h"
#include "Waits.h"

#include "panel/KOV450.h"
#include "panel/PurchaseMessages.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>

namespace {

using Answer = ui::MessageBoxes::Answer;
using namespace std::chrono_literals;
using testing_support::waitUntilEquals;

class PanelEndToEnd : public OpenPanelTest {
protected:
    void openCreditSector() {
        for (const char* step : {"Request", "Anticool", "select", "LoadKey", "Authentication"}) {
            click(step);
            ASSERT_EQ(text("ResultTXT"), "0") << step;
        }
    }
};

} // namespace

TEST_F(PanelEndToEnd, ACardIsWalkedThroughEveryStepFromThePanel) {
    click("Request");
    EXPECT_EQ(text("ResultTXT"), "0");
    EXPECT_EQ(control<QLabel>("CtypeLable")->text(), " Card Type = 400");
    click("Anticool");
    EXPECT_EQ(text("cardsnTXT"), "card SN is : A1B2C3D4");
    for (const char* step : {"select", "LoadKey", "Authentication"}) {
        click(step);
        EXPECT_EQ(text("ResultTXT"), "0") << step;
    }

    // Block 4 holds the default credit of 50 and zeros.
    click("read");
    EXPECT_EQ(text("ResultTXT"), "0");
    EXPECT_EQ(text("BufferTXT"), "50" + QString(14, '0'));
    control<QRadioButton>("stringmode")->click();
    setText("BufferTXT", "");
    click("read");
    EXPECT_EQ(text("BufferTXT"), "2"); // the character of 50; the zeros add nothing

    setText("BufferTXT", "AB");
    click("write");
    EXPECT_EQ(text("ResultTXT"), "0");
    setText("BufferTXT", "");
    click("read");
    EXPECT_EQ(text("BufferTXT"), "AB");
    console("cards", "credit 65"); // the emulated card holds what was written

    click("Halt");
    EXPECT_EQ(text("ResultTXT"), "0");
    control<QRadioButton>("REQMode1")->click(); // "Free mode" wakes no halted card
    click("Request");
    EXPECT_NE(text("ResultTXT"), "0");
    EXPECT_EQ(control<QLabel>("CtypeLable")->text(), " Card Type = 000");
    control<QRadioButton>("REQMode2")->click(); // "Active mode" does
    click("Request");
    EXPECT_EQ(text("ResultTXT"), "0");
    EXPECT_EQ(control<QLabel>("CtypeLable")->text(), " Card Type = 400");
}

TEST_F(PanelEndToEnd, AWrongKeyIsRefusedByTheCardAndReadsNothing) {
    click("Request");
    click("Anticool");
    click("select");
    setText("keyTXT(5)", "00");
    click("LoadKey");
    EXPECT_EQ(text("ResultTXT"), "0");
    click("Authentication");
    EXPECT_EQ(text("ResultTXT"), QString::number(MF_ERR_AUTH_FAILED));
    click("read");
    EXPECT_NE(text("ResultTXT"), "0");
}

TEST_F(PanelEndToEnd, AutoReadTakesThePurchaseOffTheCardOnOk) {
    boxes.answers = {Answer::Ok};
    control<QCheckBox>("AutoCheck")->setChecked(true);
    ASSERT_TRUE(waitUntilEquals(boxesShown(), std::size_t{1}, 10s)) << "the purchase question";
    EXPECT_EQ(boxes.shown[0].text, panel::deductionQuestion(10));
    EXPECT_EQ(text("AutoTXT"), "A1B2C3D4");
    EXPECT_FALSE(control<QCheckBox>("AutoCheck")->isChecked());
    console("cards", "credit 40");
}

TEST_F(PanelEndToEnd, ACardTakenAwayBeforeOkKeepsItsCreditAndTheOperatorIsTold) {
    boxes.answers = {Answer::Ok};
    boxes.whileAsking = [this] {
        console("remove A1B2C3D4", "A1B2C3D4");
    };
    control<QCheckBox>("AutoCheck")->setChecked(true);
    ASSERT_TRUE(waitUntilEquals(boxesShown(), std::size_t{2}, 10s))
        << "the purchase question and the message after the OK";
    EXPECT_EQ(boxes.shown[1].text, panel::kNothingDeducted);
    console("cards", "credit 50");
}

TEST_F(PanelEndToEnd, ACardWithoutCreditIsRefusedAndNotWritten) {
    console("credit A1B2C3D4 1", "1");
    control<QCheckBox>("AutoCheck")->setChecked(true);
    ASSERT_TRUE(waitUntilEquals(boxesShown(), std::size_t{1}, 10s)) << "the refusal";
    EXPECT_EQ(boxes.shown[0].text, panel::kCreditFinished);
    console("cards", "credit 1");
}
