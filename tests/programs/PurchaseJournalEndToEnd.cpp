// The purchase journal as the auto read keeps it, against the emulated reader and its card: the
// events of each purchase, a lost answer settled at the card's next read, a sale the journal
// cannot record, and (in child processes killed mid-write) a purchase the next run settles.
#include "ProgramFixture.h"
#include "Waits.h"

#include "journal/PurchaseRecord.h"
#include "panel/PurchaseMessages.h"

#include <QCheckBox>

#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <sstream>

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

/// The journal's records in their order, with how many lines were not records; nothing but the
/// header and records is expected of a journal written by the panel.
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

    /// Starts the auto read and waits for it to show `boxes` message boxes in all.
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
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit full = old;
    full.rlim_cur = recorded;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
    boxes.answers = {Answer::Ok};
    control<QCheckBox>("AutoCheck")->setChecked(true);
    const bool told = waitUntilEquals(boxesShown(), std::size_t{2}, 10s);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_TRUE(told);

    // Told, with the file and the reason, in place of the question; the card keeps its credit.
    EXPECT_TRUE(boxes.shown[1].text.startsWith(panel::kNotRecorded))
        << boxes.shown[1].text.toStdString();
    EXPECT_TRUE(boxes.shown[1].text.contains(QString::fromStdString(journalFile().string())));
    console("cards", "credit 50");
    EXPECT_EQ(fs::file_size(journalFile()), recorded);
}
