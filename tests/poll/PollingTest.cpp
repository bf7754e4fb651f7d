#include "PollFixture.h"

#include <QPushButton>

namespace {

const std::vector<std::uint8_t> kCardA{0x11, 0x22, 0x33, 0x44};
const std::vector<std::uint8_t> kCardB{0xDE, 0xAD, 0xBE, 0xEF};

} // namespace

TEST_F(PollTest, ACardLeftInTheFieldIsLoggedOnce) {
    open();
    mfdouble::setDefault("MF_Request", {0, {0x04, 0x00, 0x08}});
    mfdouble::setDefault("MF_Anticoll", {0, kCardA});
    for (int i = 0; i < 5; ++i) {
        tick();
    }
    EXPECT_EQ(log(), "11223344\n");
    EXPECT_EQ(mfdouble::callsOf("MF_Anticoll").size(), 5U); // it was read every time
}

TEST_F(PollTest, ACardTakenAwayAndPutBackIsNotLoggedAgain) {
    open();
    presentCard(kCardA);
    tick();
    presentNothing();
    tick();
    presentCard(kCardA);
    tick();
    EXPECT_EQ(log(), "11223344\n");
}

TEST_F(PollTest, TwoCardsInTurnAreLoggedAtEveryChange) {
    open();
    presentCard(kCardA);
    tick();
    presentCard(kCardB);
    tick();
    presentNothing();
    tick();
    presentCard(kCardA);
    tick();
    EXPECT_EQ(log(), "11223344\nDEADBEEF\n11223344\n");
}

TEST_F(PollTest, AfterClearTheLastCardIsNotLoggedAgainUntilAnotherWas) {
    open();
    presentCard(kCardA);
    tick();
    mfdouble::reset();
    control<QPushButton>("Command1")->click();
    EXPECT_EQ(log(), "");
    EXPECT_TRUE(mfdouble::callNames().empty());

    presentCard(kCardA);
    tick();
    EXPECT_EQ(log(), "");

    presentCard(kCardB);
    tick();
    presentCard(kCardA);
    tick();
    EXPECT_EQ(log(), "DEADBEEF\n11223344\n");
}

TEST_F(PollTest, SerialBytesAreWrittenInHexWithoutLeadingZeros) {
    open();
    presentCard({0x0A, 0x00, 0xC3, 0x10});
    tick();
    EXPECT_EQ(log(), "A0C310\n");
}

TEST_F(PollTest, ACardWhoseBytesAreAllZeroIsStillACard) {
    open();
    presentCard({0x00, 0x00, 0x00, 0x00});
    tick();
    EXPECT_EQ(log(), "0000\n");
}

TEST_F(PollTest, TwoCardsThatPrintTheSameTextAreBothLogged) {
    open();
    presentCard({0x01, 0x23, 0x45, 0x67});
    tick();
    presentCard({0x12, 0x03, 0x45, 0x67});
    tick();
    EXPECT_EQ(log(), "1234567\n1234567\n");
}

TEST_F(PollTest, AFailedAnticollisionIsNotACard) {
    open();
    // Whatever the failing call left in the buffer is not a serial number.
    mfdouble::script("MF_Request", {0, {0x04, 0x00, 0x08}});
    mfdouble::script("MF_Anticoll", {MF_ERR_TIMEOUT, {}});
    tick();
    EXPECT_EQ(log(), "");

    presentCard(kCardA);
    tick();
    mfdouble::script("MF_Request", {0, {0x04, 0x00, 0x08}});
    mfdouble::script("MF_Anticoll", {MF_ERR_BAD_FRAME, kCardB});
    tick();
    EXPECT_EQ(log(), "11223344\n");

    // Nor does it count as the card last logged.
    presentCard(kCardA);
    tick();
    EXPECT_EQ(log(), "11223344\n");
}

TEST_F(PollTest, EveryTickTurnsTheLedsOffAndANewLineTurnsThemOn) {
    open();
    mfdouble::reset();

    presentCard(kCardA);
    tick();
    EXPECT_EQ(mfdouble::callNames(), (std::vector<std::string>{"MF_ControlLED", "MF_Request",
                                                               "MF_Anticoll", "MF_ControlLED"}));
    EXPECT_EQ(mfdouble::callsOf("MF_Request")[0].args, (std::vector<std::int64_t>{0, 0}));
    EXPECT_EQ(mfdouble::callsOf("MF_Anticoll")[0].args, (std::vector<std::int64_t>{0}));
    const auto leds = mfdouble::callsOf("MF_ControlLED");
    EXPECT_EQ(leds[0].args, (std::vector<std::int64_t>{0, 0, 0}));
    EXPECT_EQ(leds[1].args, (std::vector<std::int64_t>{0, 1, 1}));

    mfdouble::reset();
    presentCard(kCardA); // the same card: no new line, the LEDs stay off
    tick();
    EXPECT_EQ(mfdouble::callNames(),
              (std::vector<std::string>{"MF_ControlLED", "MF_Request", "MF_Anticoll"}));
    EXPECT_EQ(mfdouble::callsOf("MF_ControlLED")[0].args, (std::vector<std::int64_t>{0, 0, 0}));
}

TEST_F(PollTest, AFailedRequestEndsTheTickAfterTheLedsGoOff) {
    open();
    mfdouble::reset();
    presentNothing();
    tick();
    EXPECT_EQ(mfdouble::callNames(), (std::vector<std::string>{"MF_ControlLED", "MF_Request"}));
    EXPECT_EQ(log(), "");
}
