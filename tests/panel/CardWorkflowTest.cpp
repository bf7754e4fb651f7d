#include "PanelFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes block(std::initializer_list<std::uint8_t> start, std::size_t size = 16) {
    Bytes bytes(start);
    bytes.resize(size, 0);
    return bytes;
}

class CardWorkflow : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        open();
        mfdouble::reset(); // forget the load
    }
    const panel::Module1& buffers() { return window->buffers(); }
};

} // namespace

TEST_F(CardWorkflow, RequestSendsTheChosenModeAndShowsTheCardType) {
    mfdouble::script("MF_Request", {0, {0x04, 0x00, 0x08}});
    click("Request");
    auto requests = mfdouble::callsOf("MF_Request");
    ASSERT_EQ(requests.size(), 1U);
    EXPECT_EQ(requests[0].args, (std::vector<std::int64_t>{0, 1})); // "Active mode" at start
    EXPECT_EQ(requests[0].buffer, buffers().CardType.data());
    EXPECT_EQ(control<QLabel>("CtypeLable")->text(), " Card Type = 400");
    EXPECT_EQ(result(), "0");

    control<QRadioButton>("REQMode1")->click(); // "Free mode"
    mfdouble::script("MF_Request", {0, {0x44, 0x00, 0x00}});
    click("Request");
    EXPECT_EQ(mfdouble::callsOf("MF_Request")[1].args[1], 0);
    EXPECT_EQ(control<QLabel>("CtypeLable")->text(), " Card Type = 4400");

    // No card: the library's zeros are shown, with the status.
    mfdouble::script("MF_Request", {1, {0, 0, 0}});
    click("Request");
    EXPECT_EQ(control<QLabel>("CtypeLable")->text(), " Card Type = 000");
    EXPECT_EQ(result(), "1");

    // A failure that writes nothing shows what the buffer still holds.
    mfdouble::script("MF_Request", {-1, {}});
    click("Request");
    EXPECT_EQ(result(), "-1");
    EXPECT_EQ(control<QLabel>("CtypeLable")->text(), " Card Type = 000");
}

TEST_F(CardWorkflow, AnticollisionShowsTheSerialAndSelectAndHaltPassItOn) {
    click("select"); // before any anticollision: four zero bytes
    ASSERT_EQ(mfdouble::callsOf("MF_Select").size(), 1U);
    EXPECT_EQ(mfdouble::callsOf("MF_Select")[0].bytes, (Bytes{0, 0, 0, 0}));

    mfdouble::script("MF_Anticoll", {0, {0x0A, 0x1B, 0x00, 0xC3}});
    click("Anticool");
    EXPECT_EQ(text("cardsnTXT"), "card SN is : A1B0C3");
    EXPECT_EQ(mfdouble::callsOf("MF_Anticoll")[0].buffer, buffers().CardSN.data());

    mfdouble::script("MF_Select", {3, {}});
    click("select");
    const auto select = mfdouble::callsOf("MF_Select")[1];
    EXPECT_EQ(select.args, (std::vector<std::int64_t>{0}));
    EXPECT_EQ(select.buffer, buffers().CardSN.data());
    EXPECT_EQ(select.bytes, (Bytes{0x0A, 0x1B, 0x00, 0xC3}));
    EXPECT_EQ(result(), "3");

    click("Halt");
    EXPECT_EQ(mfdouble::callsOf("MF_Halt")[0].args, (std::vector<std::int64_t>{0}));
    EXPECT_EQ(result(), "0");
    // Neither select nor halt touches the displays.
    EXPECT_EQ(text("cardsnTXT"), "card SN is : A1B0C3");
    EXPECT_EQ(control<QLabel>("CtypeLable")->text(), "card type ");
}

TEST_F(CardWorkflow, LoadKeyAssemblesTheKeyFromTheSixBoxes) {
    click("LoadKey");
    auto loads = mfdouble::callsOf("MF_LoadKey");
    ASSERT_EQ(loads.size(), 1U);
    EXPECT_EQ(loads[0].bytes, (Bytes(6, 0x7D)));
    EXPECT_EQ(loads[0].buffer, buffers().KeyBytes.data());

    paste("keyTXT(0)", "5");   // one digit is the low digit
    paste("keyTXT(1)", "123"); // only the first two count
    paste("keyTXT(2)", "a0");
    control<QCheckBox>("KeyAorB")->setChecked(true); // the load takes no key type
    click("LoadKey");
    EXPECT_EQ(mfdouble::callsOf("MF_LoadKey")[1].bytes,
              (Bytes{0x05, 0x12, 0xA0, 0x7D, 0x7D, 0x7D}));
    EXPECT_EQ(mfdouble::callsOf("MF_LoadKey")[1].args, (std::vector<std::int64_t>{0}));
}

TEST_F(CardWorkflow, AKeyBoxThatIsNotAHexPairRefusesTheLoadAndKeepsTheKey) {
    click("LoadKey");
    mfdouble::reset();
    paste("keyTXT(0)", "11");
    paste("keyTXT(3)", "G1");
    click("LoadKey");
    EXPECT_TRUE(mfdouble::calls().empty());
    EXPECT_TRUE(result().contains("keyTXT(3)")) << result().toStdString();
    EXPECT_TRUE(result().contains("G1"));
    EXPECT_EQ(buffers().KeyBytes,
              (std::array<std::uint8_t, 6>{0x7D, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D}));

    paste("keyTXT(3)", "");
    click("LoadKey");
    EXPECT_TRUE(mfdouble::calls().empty());
    EXPECT_TRUE(result().contains("keyTXT(3)"));
}

TEST_F(CardWorkflow, TheKeyStoreTakesTheKeyTypeTheSlotAndTheLastLoadedKey) {
    click("KeyToEE"); // before any load: six zeros
    auto stores = mfdouble::callsOf("MF_StoreKeyToEE");
    ASSERT_EQ(stores.size(), 1U);
    EXPECT_EQ(stores[0].args, (std::vector<std::int64_t>{0, 0, 0}));
    EXPECT_EQ(stores[0].bytes, (Bytes(6, 0)));

    click("LoadKey");
    paste("keyTXT(0)", "00"); // an edit reaches the key only through a load
    auto* slot = control<QScrollBar>("keyNumscroll");
    slot->setValue(slot->maximum());
    EXPECT_EQ(control<QLabel>("EElable")->text(), "15");
    control<QCheckBox>("KeyAorB")->setChecked(true);
    click("KeyToEE");
    stores = mfdouble::callsOf("MF_StoreKeyToEE");
    EXPECT_EQ(stores[1].args, (std::vector<std::int64_t>{0, 1, 15}));
    EXPECT_EQ(stores[1].bytes, (Bytes(6, 0x7D)));
    EXPECT_EQ(stores[1].buffer, buffers().KeyBytes.data());

    click("keyFromEE");
    EXPECT_EQ(mfdouble::callsOf("MF_LoadKeyFromEE")[0].args, (std::vector<std::int64_t>{0, 1, 15}));
    control<QCheckBox>("KeyAorB")->setChecked(false);
    slot->setValue(3);
    EXPECT_EQ(control<QLabel>("EElable")->text(), "3");
    click("keyFromEE");
    EXPECT_EQ(mfdouble::callsOf("MF_LoadKeyFromEE")[1].args, (std::vector<std::int64_t>{0, 0, 3}));
    EXPECT_EQ(buffers().KeyBytes,
              (std::array<std::uint8_t, 6>{0x7D, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D}));
}

TEST_F(CardWorkflow, AuthenticationPassesKeyTypeBlockAndTheCardsSerial) {
    mfdouble::script("MF_Anticoll", {0, {1, 2, 3, 4}});
    click("Anticool");
    click("Authentication");
    control<QCheckBox>("KeyAorB")->setChecked(true);
    paste("blockNtxt", "4.5");
    click("Authentication");
    paste("blockNtxt", "5.5");
    click("Authentication");
    paste("blockNtxt", "-3");
    mfdouble::script("MF_Authentication", {3, {}});
    click("Authentication");
    const auto auths = mfdouble::callsOf("MF_Authentication");
    ASSERT_EQ(auths.size(), 4U);
    EXPECT_EQ(auths[0].args, (std::vector<std::int64_t>{0, 0, 4}));
    EXPECT_EQ(auths[0].buffer, buffers().CardSN.data());
    EXPECT_EQ(auths[0].bytes, (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(auths[1].args, (std::vector<std::int64_t>{0, 1, 4}));
    EXPECT_EQ(auths[2].args, (std::vector<std::int64_t>{0, 1, 6}));
    EXPECT_EQ(auths[3].args, (std::vector<std::int64_t>{0, 1, -3}));
    EXPECT_EQ(result(), "3");

    paste("blockNtxt", "-40000"); // numeric and under 59, but no 16-bit block number
    click("Authentication");
    EXPECT_EQ(mfdouble::callsOf("MF_Authentication").size(), 4U);
    EXPECT_TRUE(result().contains("-40000"));
}

TEST_F(CardWorkflow, TheBlockNumberBoxStaysNumericAndAtMost59) {
    paste("blockNtxt", "60");
    EXPECT_EQ(text("blockNtxt"), "0");
    paste("blockNtxt", "59");
    EXPECT_EQ(text("blockNtxt"), "59");
    paste("blockNtxt", "-1");
    EXPECT_EQ(text("blockNtxt"), "-1");
    paste("blockNtxt", "x");
    EXPECT_EQ(text("blockNtxt"), "0");
    paste("blockNtxt", "12");
    auto* box = control<QLineEdit>("blockNtxt");
    box->end(false);
    QTest::keyClick(box, 'x'); // "12x" is no number
    EXPECT_EQ(text("blockNtxt"), "0");
    paste("blockNtxt", "7");
    box->end(false);
    QTest::keyClick(box, Qt::Key_Backspace); // deleting the last character puts "0" back
    EXPECT_EQ(text("blockNtxt"), "0");
    QTest::keyClicks(box, "5"); // typed after the 0
    EXPECT_EQ(text("blockNtxt"), "05");
}

TEST_F(CardWorkflow, AReadAppends64RenderingsCutToTheBlockCountsLimit) {
    control<QRadioButton>("stringmode")->click();
    mfdouble::script("MF_Read", {0, block({'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'a',
                                           'b', 'c', 'd', 'e', 'f'})});
    click("read");
    EXPECT_EQ(text("BufferTXT"), "0123456789abcdef");
    const auto reads = mfdouble::callsOf("MF_Read");
    EXPECT_EQ(reads[0].args, (std::vector<std::int64_t>{0, 4, 1}));
    EXPECT_EQ(reads[0].buffer, buffers().BlockBytes.data());

    // A full box takes nothing more, while the status still shows.
    mfdouble::script("MF_Read", {5, block({'Z', 'Z'})});
    click("read");
    EXPECT_EQ(text("BufferTXT"), "0123456789abcdef");
    EXPECT_EQ(result(), "5");

    // "HEX mode": decimal digits with nothing between, up to the limit.
    control<QRadioButton>("HEXmode")->click();
    paste("BufferTXT", "");
    mfdouble::script("MF_Read", {0, block({1, 2, 3})});
    click("read");
    EXPECT_EQ(text("BufferTXT"), "1230000000000000");

    // With "4" there is no limit, and each of the 64 elements is its own append.
    control<QComboBox>("Bcount")->setEditText("4");
    paste("BufferTXT", "");
    QSignalSpy changes(control<QLineEdit>("BufferTXT"), &QLineEdit::textChanged);
    mfdouble::script("MF_Read", {0, block({255, 16}, 64)});
    click("read");
    EXPECT_EQ(changes.size(), 64);
    EXPECT_EQ(text("BufferTXT"), "25516" + QString(62, '0'));
    EXPECT_EQ(mfdouble::callsOf("MF_Read").back().args, (std::vector<std::int64_t>{0, 4, 4}));
}

TEST_F(CardWorkflow, AFailedReadStillRendersTheClearedBuffer) {
    mfdouble::script("MF_Read", {0, block({9, 9, 9}, 16)});
    click("read");
    paste("BufferTXT", "");
    control<QComboBox>("Bcount")->setEditText("2");
    mfdouble::script("MF_Read", {-2, {}});
    click("read");
    EXPECT_EQ(result(), "-2");
    EXPECT_EQ(text("BufferTXT"), QString(32, '0'));
    EXPECT_EQ(mfdouble::callsOf("MF_Read").back().bytes, (Bytes(32, 0))); // cleared before the call
}

TEST_F(CardWorkflow, AWriteTakesTheDataBoxIntoTheBufferAndKeepsTheRest) {
    mfdouble::script("MF_Read",
                     {0, block({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16})});
    click("read");
    control<QRadioButton>("stringmode")->click();
    paste("BufferTXT", "AB");
    click("write");
    auto writes = mfdouble::callsOf("MF_Write");
    ASSERT_EQ(writes.size(), 1U);
    EXPECT_EQ(writes[0].args, (std::vector<std::int64_t>{0, 4, 1}));
    EXPECT_EQ(writes[0].buffer, buffers().BlockBytes.data());
    EXPECT_EQ(writes[0].bytes, (Bytes{65, 66, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));

    paste("BufferTXT", ""); // an empty box writes the buffer as it stands
    click("write");
    EXPECT_EQ(mfdouble::callsOf("MF_Write")[1].bytes, writes[0].bytes);
}

TEST_F(CardWorkflow, HexModeWritesOneDigitAByteSoAReadWritesBackUnchanged) {
    mfdouble::script("MF_Read", {0, block({1, 2, 3, 0, 9})});
    click("read");
    EXPECT_EQ(text("BufferTXT"), "1230900000000000");
    click("write");
    EXPECT_EQ(mfdouble::callsOf("MF_Write")[0].bytes, block({1, 2, 3, 0, 9}));

    paste("BufferTXT", "aF");
    click("write");
    EXPECT_EQ(mfdouble::callsOf("MF_Write")[1].bytes, block({10, 15, 3, 0, 9}));
}

TEST_F(CardWorkflow, DataAndCountsThatCannotBeSentAreRefusedBeforeAnyCall) {
    click("LoadKey"); // something in the result box to be replaced
    mfdouble::reset();
    const panel::Module1 before = buffers();

    paste("BufferTXT", "12G4");
    click("write");
    EXPECT_TRUE(result().contains("\"G\"")) << result().toStdString();

    control<QRadioButton>("stringmode")->click();
    paste("BufferTXT", QString("ab") + QChar(0x4E2D));
    click("write");
    EXPECT_TRUE(result().contains("Character 3")) << result().toStdString();

    control<QComboBox>("Bcount")->setEditText("4");
    paste("BufferTXT", "x"); // the new limit takes hold at the next change
    paste("BufferTXT", QString(70, 'x'));
    ASSERT_EQ(text("BufferTXT").size(), 70);
    click("write");
    EXPECT_TRUE(result().contains("70")) << result().toStdString();

    paste("BufferTXT", "ok");
    for (const char* count : {"5", "0", "-1", "abc", "", "1.6e9"}) {
        control<QComboBox>("Bcount")->setEditText(count);
        click("read");
        EXPECT_TRUE(result().startsWith("Block count")) << count;
        click("write");
        EXPECT_TRUE(result().startsWith("Block count")) << count;
    }
    control<QComboBox>("Bcount")->setEditText("1");
    paste("blockNtxt", "-40000");
    click("read");
    EXPECT_TRUE(result().startsWith("Block number")) << result().toStdString();

    EXPECT_TRUE(mfdouble::calls().empty());
    EXPECT_EQ(buffers().BlockBytes, before.BlockBytes);
}
