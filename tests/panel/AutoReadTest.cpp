#include "PanelFixture.h"

#include "panel/PurchaseMessages.h"

#include <QCheckBox>

namespace {

using Answer = ui::MessageBoxes::Answer;
using Bytes = std::vector<std::uint8_t>;

Bytes creditBlock(std::uint8_t credit) {
    Bytes block{credit};
    for (std::uint8_t i = 1; i < 16; ++i) {
        block.push_back(static_cast<std::uint8_t>(0xA0 + i));
    }
    return block;
}

class AutoRead : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        open();
        mfdouble::reset();
        timer = control<ui::IntervalTimer>("Timer1");
        autoCheck = control<QCheckBox>("AutoCheck");
        autoCheck->setChecked(true);
    }

    /// Scripts a card in the field holding this credit, and runs one tick.
    void presentAndTick(std::uint8_t credit, std::int32_t readStatus = 0) {
        mfdouble::script("MF_Request", {0, {0x04, 0x00, 0x08}});
        mfdouble::script("MF_Anticoll", {0, {0x0A, 0x1B, 0x00, 0xC3}});
        mfdouble::script("MF_Authentication", {0, {}});
        mfdouble::script("MF_Read", {readStatus, creditBlock(credit)});
        tick();
    }

    void tick() { emit timer->tick(); }

    std::vector<Bytes> writes() {
        std::vector<Bytes> written;
        for (const auto& call : mfdouble::callsOf("MF_Write")) {
            EXPECT_EQ(call.args, (std::vector<std::int64_t>{0, 4, 1}));
            written.push_back(call.bytes);
        }
        return written;
    }

    ui::IntervalTimer* timer = nullptr;
    QCheckBox* autoCheck = nullptr;
};

} // namespace

TEST_F(AutoRead, TickingTheBoxRunsTheTimerAndWithNoCardOnlyTheRequestRuns) {
    EXPECT_TRUE(timer->isEnabled());
    EXPECT_EQ(timer->interval(), 200);
    for (int i = 0; i < 3; ++i) {
        mfdouble::script("MF_Request", {1, {0, 0, 0}});
        tick();
    }
    EXPECT_EQ(mfdouble::callNames(), (std::vector<std::string>(3, "MF_Request")));
    EXPECT_EQ(result(), "1");
    EXPECT_TRUE(autoCheck->isChecked());
    EXPECT_TRUE(timer->isEnabled());
    autoCheck->setChecked(false);
    EXPECT_FALSE(timer->isEnabled());
}

TEST_F(AutoRead, ACardIsWalkedToItsCreditAndTheAmountTakenOffOnOk) {
    bool tickingWhileAsked = true;
    boxes.whileAsking = [&] {
        tickingWhileAsked = timer->isEnabled();
    };
    boxes.answers = {Answer::Ok};
    presentAndTick(50);

    EXPECT_EQ(control<QLineEdit>("AutoTXT")->text(), "A1B0C3");
    EXPECT_EQ(mfdouble::callNames(),
              (std::vector<std::string>{"MF_Request", "MF_Anticoll", "MF_Select", "MF_LoadKey",
                                        "MF_Authentication", "MF_Read", "MF_Write"}));
    EXPECT_EQ(mfdouble::callsOf("MF_Read")[0].args, (std::vector<std::int64_t>{0, 4, 1}));
    EXPECT_EQ(mfdouble::callsOf("MF_Authentication")[0].args, (std::vector<std::int64_t>{0, 0, 4}));
    ASSERT_EQ(boxes.shown.size(), 1U);
    EXPECT_EQ(boxes.shown[0].text, QString::fromUtf8(" مبلغ 10 کسر شود "));
    EXPECT_EQ(boxes.shown[0].buttons, ui::MessageBoxes::Buttons::OkCancel);
    EXPECT_FALSE(tickingWhileAsked);
    Bytes expected = creditBlock(40);
    EXPECT_EQ(writes(), std::vector<Bytes>{expected}); // bytes 1 to 15 unchanged
    EXPECT_FALSE(autoCheck->isChecked());
    EXPECT_FALSE(timer->isEnabled());
    EXPECT_EQ(result(), "0"); // the authentication's status is the last one shown

    // The next card waits until "Auto Read" is ticked again.
    autoCheck->setChecked(true);
    EXPECT_TRUE(timer->isEnabled());
}

TEST_F(AutoRead, CancelWritesNothing) {
    boxes.answers = {Answer::Cancel};
    presentAndTick(50);
    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(boxes.shown.size(), 1U);
}

TEST_F(AutoRead, ACreditBelowTwoIsFinishedAndNotWritten) {
    for (const std::uint8_t credit : {std::uint8_t{0}, std::uint8_t{1}}) {
        autoCheck->setChecked(true);
        boxes.shown.clear();
        presentAndTick(credit);
        ASSERT_EQ(boxes.shown.size(), 1U);
        EXPECT_EQ(boxes.shown[0].text, QString::fromUtf8("اعتبار خريد شما به پايان رسيد"));
        EXPECT_EQ(boxes.shown[0].buttons, ui::MessageBoxes::Buttons::Ok);
        EXPECT_FALSE(autoCheck->isChecked());
    }
    EXPECT_TRUE(writes().empty());
}

TEST_F(AutoRead, TheNewCreditRoundsHalfToEvenAndTheAmountIsReadAfreshForEachCard) {
    struct Case {
        std::uint8_t credit;
        const char* amount;
        std::uint8_t written;
        const char* question;
    };
    const Case cases[] = {
        {10, "2.5", 8, " مبلغ 2 کسر شود "}, // 7.5 rounds to 8
        {10, "1.5", 8, " مبلغ 2 کسر شود "}, // 8.5 rounds to 8
        {12, "10", 2, " مبلغ 10 کسر شود "},
        {2, "0", 2, " مبلغ 0 کسر شود "}, // a credit of 2 passes the test
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.amount);
        control<QLineEdit>("Text1")->setText(c.amount);
        autoCheck->setChecked(true);
        boxes.shown.clear();
        boxes.answers = {Answer::Ok};
        mfdouble::reset();
        presentAndTick(c.credit);
        ASSERT_EQ(writes().size(), 1U);
        EXPECT_EQ(writes()[0][0], c.written);
        EXPECT_EQ(boxes.shown.at(0).text, QString::fromUtf8(c.question));
    }
}

TEST_F(AutoRead, AnAmountThatCannotBeTakenOffIsRefusedAndNothingWritten) {
    struct Case {
        std::uint8_t credit;
        const char* amount;
        QString message;
    };
    const Case cases[] = {
        {50, "abc", panel::kAmountInvalid},
        {50, "", panel::kAmountInvalid},
        {5, "10", panel::kCreditTooSmall},   // would go below 0
        {50, "-300", panel::kAmountInvalid}, // would go above 255
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.amount);
        control<QLineEdit>("Text1")->setText(c.amount);
        autoCheck->setChecked(true);
        boxes.shown.clear();
        boxes.answers = {Answer::Ok};
        presentAndTick(c.credit);
        ASSERT_EQ(boxes.shown.size(), 1U);
        EXPECT_EQ(boxes.shown[0].text, c.message);
        EXPECT_EQ(boxes.shown[0].buttons, ui::MessageBoxes::Buttons::Ok);
        EXPECT_EQ(window->buffers().BlockBytes[0], c.credit); // the credit as read
    }
    EXPECT_TRUE(writes().empty());
}

TEST_F(AutoRead, AFailedReadIsNotAFinishedCreditAndAFailedWriteIsTold) {
    boxes.answers = {Answer::Ok};
    presentAndTick(0, MF_ERR_NOT_AUTHENTICATED);
    ASSERT_EQ(boxes.shown.size(), 1U);
    EXPECT_EQ(boxes.shown[0].text, panel::kCardNotRead);
    EXPECT_TRUE(writes().empty());

    autoCheck->setChecked(true);
    boxes.shown.clear();
    boxes.answers = {Answer::Ok};
    mfdouble::script("MF_Write", {MF_ERR_CARD_NO_ANSWER, {}});
    presentAndTick(50);
    ASSERT_EQ(boxes.shown.size(), 2U);
    EXPECT_EQ(boxes.shown[1].text, panel::kNothingDeducted);
}

TEST_F(AutoRead, AWriteWhoseAnswerWasLostAsksTheOperatorToLookAgain) {
    for (const std::int32_t lost : {MF_ERR_TIMEOUT, MF_ERR_BAD_FRAME, MF_ERR_DEVICE_GONE}) {
        autoCheck->setChecked(true);
        boxes.shown.clear();
        boxes.answers = {Answer::Ok};
        mfdouble::script("MF_Write", {lost, {}});
        presentAndTick(50);
        ASSERT_EQ(boxes.shown.size(), 2U) << lost;
        EXPECT_EQ(boxes.shown[1].text, panel::kWriteUnknown) << lost;
    }
}
