#include "PanelFixture.h"

#include "panel/PanelLayout.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

namespace {

using Args = std::vector<std::int64_t>;
using Bytes = std::vector<std::uint8_t>;

Bytes textBytes(const std::string& text, std::size_t size) {
    Bytes bytes(text.begin(), text.end());
    bytes.resize(size, 0);
    return bytes;
}

class DeviceControls : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        open();
        mfdouble::reset();
    }
    QString caption(const char* name) { return control<QLabel>(name)->text(); }
};

} // namespace

TEST_F(DeviceControls, TheAddressIsReadIntoItsLabelWhateverTheStatus) {
    mfdouble::script("MF_GetDeviceAddr", {-1, {}});
    click("GetDevAdd");
    EXPECT_EQ(result(), "-1");
    EXPECT_EQ(caption("DAlable"), "0");
    mfdouble::script("MF_GetDeviceAddr", {0, {7}});
    click("GetDevAdd");
    EXPECT_EQ(result(), "Device Address Read correctly");
    EXPECT_EQ(caption("DAlable"), "7");
    EXPECT_EQ(mfdouble::callsOf("MF_GetDeviceAddr")[1].buffer, &window->buffers().DevAddr);
    mfdouble::script("MF_GetDeviceAddr", {4, {}});
    click("GetDevAdd");
    EXPECT_EQ(caption("DAlable"), "7"); // what the buffer still holds
}

TEST_F(DeviceControls, TheNewAddressBoxStaysANumberNoGreaterThan254) {
    paste("AddTXT", "");
    EXPECT_EQ(text("AddTXT"), "0");
    paste("AddTXT", "12");
    auto* box = control<QLineEdit>("AddTXT");
    box->end(false);
    QTest::keyClick(box, 'x');
    EXPECT_EQ(text("AddTXT"), "0");
    paste("AddTXT", "300");
    EXPECT_EQ(text("AddTXT"), "254");
    paste("AddTXT", "254.5");
    EXPECT_EQ(text("AddTXT"), "254");
    paste("AddTXT", "254");
    EXPECT_EQ(text("AddTXT"), "254");

    auto* bar = control<QScrollBar>("HScroll1");
    bar->setValue(bar->maximum());
    EXPECT_EQ(text("AddTXT"), "254");
    paste("AddTXT", "12.5"); // no lower bound, fractions stay, and the bar does not follow
    EXPECT_EQ(text("AddTXT"), "12.5");
    EXPECT_EQ(bar->value(), 254);
    EXPECT_EQ(bar->singleStep(), 1);
    EXPECT_EQ(bar->pageStep(), 10);
}

TEST_F(DeviceControls, SetNewAddSendsTheRoundedNumberOfTheBox) {
    for (const auto& [typed, sent] : {std::pair{"12.5", 12}, {"13.5", 14}, {"-3", -3}, {"0", 0}}) {
        paste("AddTXT", typed);
        click("DeviceAddress");
        EXPECT_EQ(mfdouble::callsOf("MF_SetDeviceAddr").back().args, (Args{0, sent})) << typed;
        EXPECT_EQ(result(), "Set New Address Is OK");
    }
    mfdouble::script("MF_SetDeviceAddr", {6, {}});
    click("DeviceAddress");
    EXPECT_EQ(result(), "6");

    paste("AddTXT", "-40000");
    const auto calls = mfdouble::calls().size();
    click("DeviceAddress");
    EXPECT_EQ(mfdouble::calls().size(), calls);
    EXPECT_TRUE(result().contains("-40000"));
}

TEST_F(DeviceControls, VersionAndSerialNumberAreRebuiltFromTheirBuffers) {
    mfdouble::script("MF_GetDevice_Ver", {0, textBytes("V1.2", 33)});
    click("DeviceVer");
    EXPECT_EQ(caption("Label2"), "V1.2");
    EXPECT_EQ(result(), "device version is : V1.2");

    Bytes withZero = textBytes("AB", 33);
    withZero[3] = 'C';  // after a zero byte: still shown
    withZero[32] = 'Z'; // never shown
    mfdouble::script("MF_GetDevice_Ver", {0, withZero});
    click("DeviceVer");
    EXPECT_EQ(caption("Label2"), "ABC");
    mfdouble::script("MF_GetDevice_Ver", {-2, {}});
    click("DeviceVer");
    EXPECT_EQ(result(), "-2");
    EXPECT_EQ(caption("Label2"), "ABC");

    mfdouble::script("MF_GetDeviceSNR", {0, textBytes("KOV00042", 8)});
    click("DSNget");
    EXPECT_EQ(caption("DSNlable"), "KOV00042");
    EXPECT_EQ(result(), "reading device SN");
    EXPECT_EQ(mfdouble::callsOf("MF_GetDeviceSNR")[0].buffer, window->buffers().DevSNBytes.data());
}

TEST_F(DeviceControls, TheSerialNumberIsSetFromItsBoxAsTyped) {
    click("DSNset");
    EXPECT_EQ(mfdouble::callsOf("MF_SetDeviceSNR")[0].text, "00000000");
    EXPECT_EQ(result(), "Device SN set :00000000");
    paste("DsnTXT", "ABC");
    click("DSNset");
    EXPECT_EQ(mfdouble::callsOf("MF_SetDeviceSNR")[1].text, "ABC");
    EXPECT_EQ(result(), "Device SN set :ABC");
    paste("DsnTXT", "0123456789");
    EXPECT_EQ(text("DsnTXT"), "01234567"); // at most 8 characters
    mfdouble::script("MF_SetDeviceSNR", {-1, {}});
    click("DSNset");
    EXPECT_EQ(result(), "-1");

    mfdouble::script("MF_DeviceReset", {0, {}});
    click("Reset");
    EXPECT_EQ(result(), "Device reset was successful");
    mfdouble::script("MF_DeviceReset", {-2, {}});
    click("Reset");
    EXPECT_EQ(result(), "-2");
}

TEST_F(DeviceControls, TheBuzzerTakesTheRoundedNumberAtTheStartOfItsBox) {
    for (const auto& [typed, sent] : {std::pair{"30", 30},
                                      {"", 0},
                                      {"abc", 0},
                                      {"12ab", 12},
                                      {"2.5", 2},
                                      {"3.5", 4},
                                      {"-5", -5}}) {
        paste("buzTXT", typed);
        click("Buzzer");
        EXPECT_EQ(mfdouble::callsOf("MF_ControlBuzzer").back().args, (Args{0, sent})) << typed;
        EXPECT_EQ(result(), "buzzer worked Correctly");
    }
    paste("buzTXT", "40000");
    const auto calls = mfdouble::calls().size();
    click("Buzzer");
    EXPECT_EQ(mfdouble::calls().size(), calls);
    EXPECT_TRUE(result().contains("40000"));
}

TEST_F(DeviceControls, TheLedsAreAlwaysSentTogether) {
    control<QCheckBox>("RedLED")->setChecked(true);
    EXPECT_EQ(result(), "Red LED is on");
    control<QCheckBox>("GreenLED")->setChecked(true);
    EXPECT_EQ(result(), "Green LED is on");
    mfdouble::script("MF_ControlLED", {-4, {}});
    control<QCheckBox>("RedLED")->setChecked(false);
    EXPECT_EQ(result(), "-4");
    control<QCheckBox>("GreenLED")->setChecked(false);
    EXPECT_EQ(result(), "Green LED is oFF");
    control<QCheckBox>("RedLED")->setChecked(true);
    control<QCheckBox>("RedLED")->setChecked(false);
    EXPECT_EQ(result(), "Red LED is off");

    std::vector<Args> sent;
    for (const auto& call : mfdouble::callsOf("MF_ControlLED")) {
        sent.push_back(call.args);
    }
    // The failed call still changed the remembered state.
    EXPECT_EQ(sent, (std::vector<Args>{
                        {0, 1, 0}, {0, 1, 1}, {0, 0, 1}, {0, 0, 0}, {0, 1, 0}, {0, 0, 0}}));
}

TEST_F(DeviceControls, TheRfBoxSwitchesTheFieldAndItsCaption) {
    mfdouble::script("MF_SetRF_OFF", {-1, {}});
    click("RFant");
    EXPECT_EQ(control<QCheckBox>("RFant")->text(), "RF Is OFF"); // whatever the status
    EXPECT_EQ(result(), "-1");
    click("RFant");
    EXPECT_EQ(control<QCheckBox>("RFant")->text(), "RF Is ON");
    EXPECT_EQ(result(), "0");
    EXPECT_EQ(mfdouble::callNames(), (std::vector<std::string>{"MF_SetRF_OFF", "MF_SetRF_ON"}));
}

TEST_F(DeviceControls, WiegandOptionsSetTheModeThenResetTheReader) {
    mfdouble::script("MF_SetWiegandMode", {5, {}});
    mfdouble::script("MF_DeviceReset", {-2, {}});
    click("Won");
    EXPECT_EQ(result(), "-2"); // the reset's status
    click("Woff");
    const auto calls = mfdouble::calls();
    ASSERT_EQ(calls.size(), 4U);
    EXPECT_EQ(calls[0].function, "MF_SetWiegandMode");
    EXPECT_EQ(calls[0].args, (Args{0, 1, 3}));
    EXPECT_EQ(calls[1].function, "MF_DeviceReset");
    EXPECT_EQ(calls[1].args, (Args{0}));
    EXPECT_EQ(calls[2].args, (Args{0, 0, 0}));
    EXPECT_EQ(calls[3].function, "MF_DeviceReset");
    EXPECT_EQ(result(), "0");
}

TEST_F(DeviceControls, EachBaudButtonSetsItsRateThenSoundsTheBuzzer) {
    const std::pair<const char*, int> buttons[] = {{"B9600", 9600},
                                                   {"B19200", 19200},
                                                   {"B38400", 38400},
                                                   {"B57600", 57600},
                                                   {"B115200", 115200}};
    for (const auto& [name, rate] : buttons) {
        mfdouble::reset();
        mfdouble::script("MF_SetDeviceBaud", {-2, {}}); // a failure does not stop the buzzer
        mfdouble::script("MF_ControlBuzzer", {7, {}});
        click(name);
        const auto calls = mfdouble::calls();
        ASSERT_EQ(calls.size(), 2U) << name;
        EXPECT_EQ(calls[0].args, (Args{0, rate}));
        EXPECT_EQ(calls[1].function, "MF_ControlBuzzer");
        EXPECT_EQ(calls[1].args, (Args{0, 30}));
        EXPECT_EQ(result(), "7");
    }
    paste("buzTXT", "99999");
    mfdouble::reset();
    click("B9600");
    EXPECT_TRUE(mfdouble::calls().empty());
}

TEST_F(DeviceControls, F12ShowsEveryControlInATallerWindowAndBack) {
    auto& panel = *window;
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    const QSize strip = panel.size();
    control<QLineEdit>("ResultTXT")->setText("kept");

    QTest::keyClick(&panel, Qt::Key_F12);
    ASSERT_TRUE(panel.isFullView());
    for (const ui::ControlSpec& entry : panel::panelLayout()) {
        if (entry.kind == ui::ControlKind::Timer) {
            continue;
        }
        QWidget* widget = control(entry.name);
        EXPECT_TRUE(widget->isVisible()) << entry.name;
        const QRect inWindow(widget->mapTo(&panel, QPoint(0, 0)), widget->size());
        EXPECT_TRUE(panel.rect().contains(inWindow)) << entry.name;
    }
    EXPECT_FALSE(control("BoudFrame")->geometry().intersects(control("Frame3")->geometry()));
    EXPECT_EQ(control<QLineEdit>("ResultTXT")->text(), "kept");

    QTest::keyClick(&panel, Qt::Key_F12);
    EXPECT_FALSE(panel.isFullView());
    EXPECT_EQ(panel.size(), strip);
    EXPECT_TRUE(control("BoudFrame")->isHidden());
    EXPECT_TRUE(control("ResultTXT")->isHidden());
    EXPECT_EQ(control("BoudFrame")->pos(), control("Frame3")->pos()); // same corner in the strip
}
