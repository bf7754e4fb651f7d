#include "PanelFixture.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include <filesystem>

namespace {

std::vector<std::uint8_t> versionBytes(const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.resize(33, 0);
    return bytes;
}

} // namespace

TEST_F(PanelTest, LoadFillsThePortListAndShowsTheLibraryVersion) {
    mfdouble::script("MF_GetDLL_Ver", {0, versionBytes("MF_API double 1.0")});
    open();
    auto* ports = control<QComboBox>("Combo1");
    ASSERT_EQ(ports->count(), 5);
    EXPECT_EQ(ports->itemText(0), "COM1");
    EXPECT_EQ(ports->itemText(3), "COM4");
    EXPECT_EQ(ports->itemText(4), "USB");
    EXPECT_EQ(ports->currentText(), "USB");
    EXPECT_EQ(result(), "MF_API double 1.0");
    EXPECT_EQ(mfdouble::callNames(), (std::vector<std::string>{"MF_GetDLL_Ver"})); // no port
}

TEST_F(PanelTest, TheVersionSkipsZeroBytesAndNeverShowsByte32) {
    std::vector<std::uint8_t> bytes(33, 0);
    bytes[0] = 'V';
    bytes[1] = '1';
    bytes[5] = 'x';                                 // after a zero byte: still shown
    bytes[31] = 'z';                                // the last byte shown
    bytes[32] = '!';                                // never shown
    mfdouble::script("MF_GetDLL_Ver", {-4, bytes}); // the status is not looked at
    open();
    EXPECT_EQ(result(), "V1xz");
}

TEST_F(PanelTest, PortSetClosesThenOpensTheChosenPortAt9600AndSaysHowItWent) {
    open();
    auto* portSet = control<QPushButton>("PortSet");
    mfdouble::reset();

    mfdouble::script("MF_InitComm", {0, {}});
    QTest::mouseClick(portSet, Qt::LeftButton);
    EXPECT_EQ(result(), "port opened Correctly");
    EXPECT_EQ(mfdouble::callNames(), (std::vector<std::string>{"MF_ExitComm", "MF_InitComm"}));
    EXPECT_EQ(mfdouble::callsOf("MF_InitComm")[0].text, "USB");
    EXPECT_EQ(mfdouble::callsOf("MF_InitComm")[0].args, (std::vector<std::int64_t>{9600}));

    // A second click closes and opens again.
    mfdouble::script("MF_InitComm", {0, {}});
    portSet->click();
    EXPECT_EQ(result(), "port opened Correctly");
    EXPECT_EQ(mfdouble::callNames().size(), 4U);
    EXPECT_EQ(mfdouble::callNames()[2], "MF_ExitComm");

    mfdouble::script("MF_InitComm", {9, {}});
    portSet->click();
    EXPECT_EQ(result(), "port is open please close the opener port application");

    mfdouble::script("MF_InitComm", {-1, {}});
    portSet->click();
    EXPECT_EQ(result(), "-1");

    mfdouble::script("MF_InitComm", {90, {}});
    portSet->click();
    EXPECT_EQ(result(), "90");
}

TEST_F(PanelTest, APortNameTypedIntoTheChooserIsPassedUnchanged) {
    open();
    auto* ports = control<QComboBox>("Combo1");
    ports->setFocus();
    ports->lineEdit()->selectAll();
    QTest::keyClicks(ports, "socket://127.0.0.1:4001");
    QTest::keyClick(ports, Qt::Key_Return);
    EXPECT_EQ(ports->count(), 5); // typing does not grow the list
    control<QPushButton>("PortSet")->click();
    EXPECT_EQ(mfdouble::callsOf("MF_InitComm").back().text, "socket://127.0.0.1:4001");

    ports->setEditText("COM3");
    control<QPushButton>("PortSet")->click();
    EXPECT_EQ(mfdouble::callsOf("MF_InitComm").back().text, "COM3");
}

TEST_F(PanelTest, APortNameWithoutSingleByteCharactersIsRefusedWithoutAnOpen) {
    open();
    control<QComboBox>("Combo1")->setEditText(QString("COM") + QChar(0x4E00));
    mfdouble::reset();
    control<QPushButton>("PortSet")->click();
    EXPECT_TRUE(mfdouble::callsOf("MF_InitComm").empty());
    EXPECT_TRUE(result().contains("cannot hold"));
}

TEST_F(PanelTest, ClosingTheWindowClosesThePort) {
    open();
    control<QPushButton>("PortSet")->click();
    mfdouble::reset();
    window.reset();
    EXPECT_EQ(mfdouble::callNames(), (std::vector<std::string>{"MF_ExitComm"}));
}

TEST(PanelWithoutLibrary, SaysOnceWhereItLookedAndShowsTheStatusOfEveryCommand) {
    mfdouble::reset();
    const auto nowhere = std::filesystem::temp_directory_path() / "kov-no-library";
    reader::MfApi api(reader::LibraryLocation{{"libMF_API_absent.so"}, {nowhere}});
    ScriptedMessageBoxes boxes;
    const QTemporaryDir stateFolder;
    journal::PurchaseJournal journal(stateFolder.filePath("purchases.csv").toStdString());
    auto window = std::make_unique<panel::KOV450>(api, boxes, journal);
    auto* resultBox = window->findChild<QLineEdit*>("ResultTXT");
    EXPECT_EQ(resultBox->text(), ""); // nothing to show as a version

    window->findChild<QPushButton*>("PortSet")->click();
    window->findChild<QPushButton*>("PortSet")->click();
    EXPECT_EQ(resultBox->text(), QString::number(MF_ERR_LIBRARY_MISSING));
    ASSERT_EQ(boxes.shown.size(), 1U);
    EXPECT_FALSE(boxes.shown[0].waited); // the panel carries on while it is shown
    EXPECT_TRUE(boxes.shown[0].text.contains("libMF_API_absent.so"));
    EXPECT_TRUE(boxes.shown[0].text.contains(QString::fromStdString(nowhere.string())));
    window.reset(); // the last close fails quietly
    EXPECT_EQ(boxes.shown.size(), 1U);
}
