// The window driven as a user would, with the reader replaced by a link that records requests.
#include "emulator/window/EmulatorWindow.h"
#include "emulator/window/NewCardDialog.h"
#include "emulator/window/ReaderFace.h"
#include "emulator/window/SectorModel.h"
#include "emulator/window/TraceModel.h"
#include "emulator/window/WalletModel.h"

#include <QDialogButtonBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace kov450;

/// Records each action in the console's words.
class RecordingLink : public ReaderLink {
public:
    void act(WalletAction action) override { lines.push_back(commandLine(action)); }
    std::vector<std::string> lines;
};

ReaderSnapshot twoCards() {
    ReaderSnapshot snapshot;
    snapshot.cards = {
        CardSlot{MifareClassic::makeDefault(CardKind::Classic1K, {0xA1, 0xB2, 0xC3, 0xD4}, 50),
                 true},
        CardSlot{MifareClassic::makeDefault(CardKind::Classic4K, {0x11, 0x22, 0x33, 0x44}, 7),
                 false}};
    return snapshot;
}

class Window : public ::testing::Test {
protected:
    template <typename Control> Control* control(const char* name) {
        auto* found = window.findChild<Control*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << "no control " << name;
        return found;
    }
    void click(const char* name) { control<QPushButton>(name)->click(); }

    RecordingLink link;
    EmulatorWindow window{link};
};

TEST_F(Window, ShowsTheFirstCardAndSendsWhatTheButtonsAsk) {
    window.showSnapshot(twoCards());
    EXPECT_EQ(window.selectedCard(), (Uid{0xA1, 0xB2, 0xC3, 0xD4}));
    EXPECT_EQ(window.sector().rowCount(), 4);
    window.selectCard({0x11, 0x22, 0x33, 0x44});
    EXPECT_EQ(window.sector().sectorCount(), 40U) << "the sector view follows the chosen card";
    control<QSpinBox>("sectorChoice")->setValue(33);
    EXPECT_EQ(window.sector().rowCount(), 16);
    click("present");
    click("takeAway");
    click("deleteCard");
    EXPECT_EQ(link.lines,
              (std::vector<std::string>{"present 11223344", "remove 11223344", "delete 11223344"}));
}

TEST_F(Window, KeepsTheChosenCardAcrossSnapshots) {
    window.showSnapshot(twoCards());
    window.selectCard({0x11, 0x22, 0x33, 0x44});
    ReaderSnapshot next = twoCards();
    next.cards[1].card.setCredit(8);
    window.showSnapshot(next);
    EXPECT_EQ(window.selectedCard(), (Uid{0x11, 0x22, 0x33, 0x44}));
    EXPECT_EQ(window.wallet().data(window.wallet().index(1, WalletModel::Credit)).toInt(), 8);
}

TEST_F(Window, ACardDroppedOnTheReaderIsPresented) {
    window.showSnapshot(twoCards());
    auto* face = window.findChild<ReaderFace*>();
    ASSERT_NE(face, nullptr);
    const std::unique_ptr<QMimeData> data(window.wallet().mimeData({window.wallet().index(1, 0)}));
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    // Straight to the widget: QApplication only routes drops while a real drag is on.
    static_cast<QObject*>(face)->event(&drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(link.lines, std::vector<std::string>{"present 11223344"});
}

TEST_F(Window, TheFaceShowsLampsBuzzerAndWiegandFrames) {
    ReaderSnapshot snapshot = twoCards();
    window.showSnapshot(snapshot);
    auto* red = control<QLabel>("redLed");
    auto* buzzer = control<QLabel>("buzzer");
    EXPECT_FALSE(red->property("lit").toBool());
    EXPECT_FALSE(buzzer->property("sounding").toBool());

    snapshot.state.redLed = true;
    snapshot.state.lineSpeed = 19200;
    snapshot.state.lastBuzzer = 5; // 50 ms
    snapshot.state.buzzerCount = 1;
    snapshot.state.wiegandMode = 1;
    snapshot.cards[1].inField = true;
    window.showSnapshot(snapshot);
    EXPECT_TRUE(red->property("lit").toBool());
    EXPECT_FALSE(control<QLabel>("greenLed")->property("lit").toBool());
    EXPECT_EQ(control<QLabel>("lineSpeed")->text(), "19200 bit/s");
    EXPECT_EQ(control<QLabel>("wiegand")->text(), "on, format 0");
    EXPECT_TRUE(control<QLabel>("field")->text().contains("11223344 (credit 7)"));
    EXPECT_TRUE(buzzer->property("sounding").toBool());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !buzzer->property("sounding").toBool(); }, 2000))
        << "the buzzer stops after its duration";
    const QString frames = control<QPlainTextEdit>("wiegandFrames")->toPlainText();
    EXPECT_EQ(frames.count(QLatin1Char('\n')), 0) << frames.toStdString();
    EXPECT_TRUE(frames.contains(QStringLiteral("facility 34, card 13124"))) << frames.toStdString();
}

TEST_F(Window, TheTraceFiltersAndCopies) {
    window.addTrace(QTime(9, 0), ExchangeText{"Request", "idle cards (REQA)", "0 OK", ""});
    window.addTrace(QTime(9, 1),
                    ExchangeText{"Read blocks", "block 4, count 1", "4 not authenticated", ""});
    EXPECT_EQ(window.chosenTraceText().count(QLatin1Char('\n')), 2);
    control<QLineEdit>("traceFilterText")->setText(QStringLiteral("read"));
    EXPECT_EQ(window.traceFilter().rowCount(), 1);
    EXPECT_EQ(window.chosenTraceText(),
              "09:01:00.000\tRead blocks\tblock 4, count 1\t4 not authenticated\t\n");
    click("clearTrace");
    EXPECT_EQ(window.trace().rowCount(), 0);
}

} // namespace

namespace {

TEST(NewCardDialog, TakesAWholeUidOrNoneAndACredit) {
    kov450::NewCardDialog dialog(kov450::CardKind::Classic4K);
    EXPECT_EQ(dialog.windowTitle(), "New 4K card");
    auto* uid = dialog.findChild<QLineEdit*>(QStringLiteral("newCardUid"));
    auto* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    ASSERT_NE(uid, nullptr);
    EXPECT_EQ(dialog.uid(), std::nullopt) << "empty: a random UID";
    EXPECT_TRUE(ok->isEnabled());
    QTest::keyClicks(uid, QStringLiteral("0badcaXYfe"));
    EXPECT_EQ(uid->text(), "0badcafe") << "only hex digits get in";
    EXPECT_EQ(dialog.uid(), (kov450::Uid{0x0B, 0xAD, 0xCA, 0xFE}));
    uid->setText(QStringLiteral("0BAD"));
    EXPECT_FALSE(ok->isEnabled()) << "half a UID";
    dialog.findChild<QSpinBox*>(QStringLiteral("newCardCredit"))->setValue(255);
    EXPECT_EQ(dialog.credit(), 255);
}

TEST(NewCardDialog, RandomUidsAvoidTakenOnesAndTheCascadeTag) {
    std::vector<kov450::Uid> taken;
    for (int count = 0; count < 300; ++count) {
        const kov450::Uid uid = kov450::randomUid(taken);
        EXPECT_NE(uid[0], 0x88);
        EXPECT_EQ(std::count(taken.begin(), taken.end(), uid), 0);
        taken.push_back(uid);
    }
}

} // namespace
