// The purchase journal as the auto read keeps it, against the emulated reader and its card: the
// events of each purchase, a lost answer settled at the card's next read, a sale the journal
// cannot record, and (in child processes killed mid-write) a purchase the next run settles.
#include "ProgramFixture.h"
#include "Waits.h"

#include "e2e/FileSizeLimit.h"
#include "journal/PurchaseRecord.h"
#include "panel/PurchaseMessages.h"

#include <QCheckBox>

#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Answer = ui::MessageBoxes::Answer;
using journal::PurchaseEvent;
using namespace std::chrono_literals;
using testing_support::waitUntil;
using testing_support::waitUntilEquals;

const std::string kCard = "A1B2C3D4";

/// One journal line as the test checks it: the event, the numbers and the status.
struct Line {
    std::string card;
    int credit;
    std::string amount;
    int newCredit;
    PurchaseEvent event;
    std::int32_t status;
    bool operator==(const Line&) const = default;
};

void PrintTo(const Line& line, std::ostream* out) {
    *out << line.card << ' ' << line.credit << ' ' << line.amount << ' ' << line.newCredit << ' '
         << journal::eventName(line.event) << ' ' << line.status;
}

/// The journal's records in their order, and their times when asked for; a line that is not the
/// header or a record fails the test, since the panel writes nothing else.
std::vector<Line> journalLines(const fs::path& file, std::vector<std::string>* times = nullptr) {
    std::ifstream in(file, std::ios::binary);
    std::vector<Line> lines;
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text + "\n", journal::kHeaderLine);
    while (std::getline(in, text)) {
        const auto record = journal::parseJournalLine(text);
        EXPECT_TRUE(record) << "not a record: " << text;
        if (record) {
            EXPECT_EQ(record->port, "USB");
            lines.push_back({record->cardUid, record->credit, record->amount, record->newCredit,
                             record->event, record->status});
            if (times != nullptr) {
                times->push_back(record->time);
            }
        }
    }
    return lines;
}

Line event(PurchaseEvent what, std::int32_t status = 0, int credit = 50, int newCredit = 40) {
    return {kCard, credit, "10", newCredit, what, status};
}

class PurchaseJournalEndToEnd : public OpenPanelTest {
protected:
    fs::path journalFile() const { return journal.path(); }

    /// Starts the auto read and waits until `boxesAfter` message boxes have been shown in all
    /// and the auto read has handled the card.
    void autoRead(std::size_t boxesAfter) {
        control<QCheckBox>("AutoCheck")->setChecked(true);
        ASSERT_TRUE(waitUntilEquals(boxesShown(), boxesAfter, 10s));
        ASSERT_TRUE(waitUntil([&] { return !control<QCheckBox>("AutoCheck")->isChecked(); }, 5s));
    }
};

} // namespace

TEST_F(PurchaseJournalEndToEnd, APurchaseIsAskedSentAndWrittenWithItsNumbers) {
    boxes.answers = {Answer::Ok};
    autoRead(1);
    console("cards", "credit 40");
    std::vector<std::string> times;
    EXPECT_EQ(journalLines(journalFile(), &times),
              (std::vector<Line>{event(PurchaseEvent::Asked), event(PurchaseEvent::Sending),
                                 event(PurchaseEvent::Written)}));
    ASSERT_EQ(times.size(), 3U);
    EXPECT_EQ(times[0].size(), std::string("2026-12-09T10:15:00Z").size()) << times[0];
    EXPECT_EQ(times[0].back(), 'Z');
    EXPECT_EQ(times[0][10], 'T');
}

TEST_F(PurchaseJournalEndToEnd, CancelIsDeclinedAndARefusedWriteIsRefused) {
    autoRead(1); // no answer queued: Cancel
    console("cards", "credit 50");

    boxes.answers = {Answer::Ok};
    boxes.whileAsking = [this] {
        console("remove " + kCard, kCard);
    };
    autoRead(3);
    EXPECT_EQ(boxes.shown[2].text, panel::kNothingDeducted);
    console("cards", "credit 50");
    EXPECT_EQ(journalLines(journalFile()),
              (std::vector<Line>{event(PurchaseEvent::Asked), event(PurchaseEvent::Declined),
                                 event(PurchaseEvent::Asked), event(PurchaseEvent::Sending),
                                 event(PurchaseEvent::Refused, MF_ERR_CARD_NO_ANSWER)}));
}

TEST_F(PurchaseJournalEndToEnd, ALostAnswerIsSettledSilentlyWhenTheCardIsReadAgain) {
    boxes.answers = {Answer::Ok};
    boxes.whileAsking = [this] {
        console("drop", "lost");
    };
    autoRead(2);
    EXPECT_EQ(boxes.shown[1].text, panel::kWriteUnknown);
    boxes.whileAsking = nullptr;
    console("remove " + kCard, kCard);
    console("present " + kCard, kCard);

    autoRead(3); // the next purchase's question, Cancel: nothing else is shown
    EXPECT_EQ(boxes.shown[2].text, panel::deductionQuestion(10));
    EXPECT_EQ(journalLines(journalFile()),
              (std::vector<Line>{event(PurchaseEvent::Asked), event(PurchaseEvent::Sending),
                                 event(PurchaseEvent::Unknown, MF_ERR_TIMEOUT),
                                 event(PurchaseEvent::ResolvedWritten),
                                 event(PurchaseEvent::Asked, 0, 40, 30),
                                 event(PurchaseEvent::Declined, 0, 40, 30)}));
}

TEST_F(PurchaseJournalEndToEnd, ASaleTheJournalCannotRecordIsRefusedBeforeTheCardIsTouched) {
    // The journal holds its first lines, then the disk fills up.
    autoRead(1);
    const auto recorded = fs::file_size(journalFile());
    bool told = false;
    {
        const testing_support::FileSizeLimit full(recorded);
        ASSERT_TRUE(full.set());
        boxes.answers = {Answer::Ok};
        control<QCheckBox>("AutoCheck")->setChecked(true);
        told = waitUntilEquals(boxesShown(), std::size_t{2}, 10s);
    }
    ASSERT_TRUE(told);

    // Told, with the file and the reason, in place of the question; the card keeps its credit.
    EXPECT_TRUE(boxes.shown[1].text.startsWith(panel::kNotRecorded))
        << boxes.shown[1].text.toStdString();
    EXPECT_TRUE(boxes.shown[1].text.contains(QString::fromStdString(journalFile().string())));
    console("cards", "credit 50");
    EXPECT_EQ(fs::file_size(journalFile()), recorded);
}

namespace {

/// tagbench's panel in a child process on the emulator's ports, with its journal in a state
/// folder of the test's own; the operator's answers go in on its standard input.
class KilledMidPurchase : public testing_support::EmulatorTest {
protected:
    std::unique_ptr<testing_support::ChildProcess> startPanel() {
        // A killed panel leaves the pty's exclusive flag set; the emulator clears it once no one
        // holds the port's lock, so the port opens again within a second or so.
        for (int attempt = 0; attempt < 50; ++attempt) {
            auto panel = std::make_unique<testing_support::ChildProcess>(
                std::vector<std::string>{AUTO_READ_PROBE_PATH},
                std::vector<std::pair<std::string, std::string>>{
                    {"MF_API_PORTS", ports_.path().string()},
                    {"XDG_STATE_HOME", stateHome.path().string()},
                    // Long enough for the test to kill the panel while it waits for the answer.
                    {"MF_API_ANSWER_MARGIN_MS", "10000"},
                    {"QT_QPA_PLATFORM", "offscreen"}});
            const auto port = panel->waitForLine("port: ", 10s);
            EXPECT_TRUE(port) << panel->transcript();
            if (!port || port->ends_with("port opened Correctly")) {
                return panel;
            }
            std::this_thread::sleep_for(100ms);
        }
        ADD_FAILURE() << "the port never opened again";
        return nullptr;
    }

    /// A purchase of 10 that the operator confirms, with `faults` put on the line while the
    /// question waits; the panel is killed once the journal holds the write it is sending and
    /// the reader has lost the write's answer.
    void
    purchaseKilledWhileWriting(const std::vector<std::pair<std::string, std::string>>& faults) {
        auto panel = startPanel();
        ASSERT_TRUE(panel);
        ASSERT_TRUE(panel->waitForLine("asked: " + panel::deductionQuestion(10).toStdString(), 10s))
            << panel->transcript();
        for (const auto& [command, reply] : faults) {
            console(command, reply);
        }
        panel->writeLine("ok");
        ASSERT_TRUE(waitUntil(
            [&] {
                std::ifstream in(journalFile(), std::ios::binary);
                std::stringstream text;
                text << in.rdbuf();
                return text.str().find(",sending,0\r\n") != std::string::npos;
            },
            10s))
            << panel->transcript();
        // The write reached the card (or tore on it) and its answer is lost: the panel waits.
        expectOutput("an answer was dropped");
        panel->signal(SIGKILL);
        ASSERT_TRUE(panel->wait(5s));
        EXPECT_EQ(journalLines(journalFile()),
                  (std::vector<Line>{event(PurchaseEvent::Asked), event(PurchaseEvent::Sending)}));
    }

    /// The next run: the card is read, the operator is asked for the next purchase and says no.
    void nextRunReadsTheCard() {
        auto panel = startPanel();
        ASSERT_TRUE(panel);
        ASSERT_TRUE(panel->waitForLine("asked: " + panel::deductionQuestion(10).toStdString(), 10s))
            << panel->transcript();
        panel->writeLine("cancel");
        ASSERT_TRUE(panel->waitForLine("done", 10s)) << panel->transcript();
        // Settled silently: the question was all the operator saw.
        EXPECT_EQ(panel->transcript().find("told:"), std::string::npos) << panel->transcript();
    }

    fs::path journalFile() const { return stateHome.path() / "tagbench" / "purchases.csv"; }

    testing_support::TempFolder stateHome;
};

} // namespace

TEST_F(KilledMidPurchase, AWriteTheCardTookIsSettledAsWrittenByTheNextRun) {
    purchaseKilledWhileWriting({{"drop", "lost"}});
    console("cards", "credit 40");
    // The customer takes the card away and presents it again at the next run.
    console("remove " + kCard, kCard);
    console("present " + kCard, kCard);
    nextRunReadsTheCard();
    EXPECT_EQ(journalLines(journalFile()),
              (std::vector<Line>{event(PurchaseEvent::Asked), event(PurchaseEvent::Sending),
                                 event(PurchaseEvent::ResolvedWritten),
                                 event(PurchaseEvent::Asked, 0, 40, 30),
                                 event(PurchaseEvent::Declined, 0, 40, 30)}));
}

TEST_F(KilledMidPurchase, AWriteTornByAPowerLossIsSettledAsNotWrittenByTheNextRun) {
    // Power goes before the block reaches the card, and with it the answer.
    purchaseKilledWhileWriting({{"tear 0", "power"}, {"drop", "lost"}});
    console("cards", "credit 50");
    console("present " + kCard, kCard);
    nextRunReadsTheCard();
    EXPECT_EQ(journalLines(journalFile()),
              (std::vector<Line>{event(PurchaseEvent::Asked), event(PurchaseEvent::Sending),
                                 event(PurchaseEvent::ResolvedNotWritten),
                                 event(PurchaseEvent::Asked), event(PurchaseEvent::Declined)}));
}
