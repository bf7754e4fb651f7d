#include "ProgramFixture.h"

#include "panel/KOV450.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>

namespace {

using DeviceEndToEnd = OpenPanelTest;

} // namespace

TEST_F(DeviceEndToEnd, SerialNumberAndAddressAreSetAndReadBack) {
    setText("DsnTXT", "KOV12345");
    click("DSNset");
    EXPECT_EQ(text("ResultTXT"), "Device SN set :KOV12345");
    expectOutput("serial number KOV12345");
    click("DSNget");
    EXPECT_EQ(text("ResultTXT"), "reading device SN");
    EXPECT_EQ(control<QLabel>("DSNlable")->text(), "KOV12345");

    setText("AddTXT", "7");
    click("DeviceAddress");
    EXPECT_EQ(text("ResultTXT"), "Set New Address Is OK");
    expectOutput("address 7");
    click("GetDevAdd"); // device address 0 still reaches the reader
    EXPECT_EQ(text("ResultTXT"), "Device Address Read correctly");
    EXPECT_EQ(control<QLabel>("DAlable")->text(), "7");

    click("DeviceVer");
    EXPECT_TRUE(text("ResultTXT").startsWith("device version is : KOV450"))
        << text("ResultTXT").toStdString();
    click("Reset");
    EXPECT_EQ(text("ResultTXT"), "Device reset was successful");
    expectOutput("event: reset");
}

TEST_F(DeviceEndToEnd, LedsBuzzerAndRfShowOnTheEmulatedReader) {
    control<QCheckBox>("RedLED")->setChecked(true);
    EXPECT_EQ(text("ResultTXT"), "Red LED is on");
    expectOutput("red LED on");
    control<QCheckBox>("GreenLED")->setChecked(true);
    EXPECT_EQ(text("ResultTXT"), "Green LED is on");
    expectOutput("green LED on");
    control<QCheckBox>("RedLED")->setChecked(false);
    expectOutput("red LED off");

    click("Buzzer");
    EXPECT_EQ(text("ResultTXT"), "buzzer worked Correctly");
    expectOutput("buzzer 300 ms");

    click("RFant");
    EXPECT_EQ(control<QCheckBox>("RFant")->text(), "RF Is OFF");
    expectOutput("RF off");
    click("Request"); // no card answers with the field off
    EXPECT_NE(text("ResultTXT"), "0");
    click("RFant");
    expectOutput("RF on");
    click("Request");
    EXPECT_EQ(text("ResultTXT"), "0");

    click("Won");
    EXPECT_EQ(text("ResultTXT"), "0");
    expectOutput("Wiegand");
}

TEST_F(DeviceEndToEnd, ABaudChangeIsConfirmedByTheBuzzerAtTheNewSpeed) {
    click("B19200");
    EXPECT_EQ(text("ResultTXT"), "0"); // the buzzer answered at 19200
    expectOutput("line speed 19200");
    click("Buzzer");
    EXPECT_EQ(text("ResultTXT"), "buzzer worked Correctly");
    click("B9600");
    EXPECT_EQ(text("ResultTXT"), "0");
    expectOutput("line speed 9600");
}
