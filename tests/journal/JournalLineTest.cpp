// The journal's lines as a spreadsheet reads them, and which purchases they leave open.
#include "journal/CsvLine.h"
#include "journal/OpenPurchases.h"
#include "journal/PurchaseRecord.h"
#include "journal/SpreadsheetText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using journal::PurchaseEvent;
using journal::PurchaseRecord;
using Fields = std::vector<std::string>;

PurchaseRecord sale(std::string uid, PurchaseEvent event, int newCredit = 40) {
    return {"2026-12-09T10:15:00Z", "USB", std::move(uid), 50, "10", newCredit, event, 0};
}

std::string withoutLf(std::string line) {
    line.pop_back();
    return line;
}

} // namespace

TEST(CsvLine, QuotesOnlyWhatNeedsItAndReadsBackEveryField) {
    EXPECT_EQ(journal::csvField("COM1"), "COM1");
    EXPECT_EQ(journal::csvField("a,b"), "\"a,b\"");
    EXPECT_EQ(journal::csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(journal::csvField("two\nlines"), "\"two\nlines\"");

    EXPECT_EQ(journal::csvFields("a,\"b,c\",,\"\"\"\",d"), (Fields{"a", "b,c", "", "\"", "d"}));
    EXPECT_EQ(journal::csvFields(""), Fields{""});
    EXPECT_EQ(journal::csvFields("a,"), (Fields{"a", ""}));
    // Broken quoting, as in a line cut inside a quoted field, is no line.
    for (const char* broken : {"\"open", "a\"b", "\"a\"b", "x,\"y"}) {
        EXPECT_EQ(journal::csvFields(broken), std::nullopt) << broken;
    }
}

TEST(JournalLine, EveryEventRoundTripsAndTheHeaderIsNoRecord) {
    for (int e = 0; e <= static_cast<int>(PurchaseEvent::ResolvedNotWritten); ++e) {
        const auto event = static_cast<PurchaseEvent>(e);
        PurchaseRecord record = sale("A1B2C3D4", event);
        record.port = "socket://shop,till 2";
        record.amount = "2.5";
        record.status = -4;
        const std::string line = journal::journalLine(record);
        ASSERT_TRUE(line.ends_with("\r\n"));
        EXPECT_EQ(journal::parseJournalLine(withoutLf(line)), record) << line;
        EXPECT_EQ(journal::eventNamed(journal::eventName(event)), event);
    }
    EXPECT_EQ(journal::journalLine(sale("A1B2C3D4", PurchaseEvent::ResolvedNotWritten)),
              "2026-12-09T10:15:00Z,USB,A1B2C3D4,50,10,40,resolved-not-written,0\r\n");
    EXPECT_EQ(journal::parseJournalLine(withoutLf(std::string(journal::kHeaderLine))),
              std::nullopt);
}

TEST(JournalLine, ALineCutShortOrMalformedIsNoRecord) {
    PurchaseRecord unknown = sale("A1B2C3D4", PurchaseEvent::Unknown);
    unknown.status = -11;
    const std::string whole = withoutLf(journal::journalLine(unknown));
    ASSERT_TRUE(journal::parseJournalLine(whole));
    // Every cut of the line, ended by the next writer's LF, lacks the CR and is refused, even
    // where what is left would read as a record (a status of -11 cut to -1).
    for (std::size_t length = 0; length + 1 < whole.size(); ++length) {
        EXPECT_EQ(journal::parseJournalLine(whole.substr(0, length)), std::nullopt) << length;
    }
    for (const char* bad : {"t,USB,UID,50,10,40,sent,0\r", "t,USB,UID,256,10,40,asked,0\r",
                            "t,USB,UID,50,10,-1,asked,0\r", "t,USB,UID,50,10,40,asked,x\r",
                            ",USB,UID,50,10,40,asked,0\r", "t,USB,,50,10,40,asked,0\r",
                            "t,USB,UID,50,10,40,asked\r", "t,USB,UID,50,10,40,asked,0,0\r"}) {
        EXPECT_EQ(journal::parseJournalLine(bad), std::nullopt) << bad;
    }
}

TEST(JournalLine, TextsCannotBreakALineNorGrowItBeyondReading) {
    PurchaseRecord record = sale("A1B2C3D4", PurchaseEvent::Asked);
    record.port = "COM1\r\n\x1b[31m\xC2\x9B"; // CSI both as C0 escape and as C1
    record.amount = std::string(5000, '9');
    const std::string line = journal::journalLine(record);
    EXPECT_EQ(line.find_first_of("\n\x1b"), line.size() - 1);
    EXPECT_LT(line.size(), 1024U);
    const auto back = journal::parseJournalLine(withoutLf(line));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->port, "COM1\\x0D\\x0A\\x1B[31m\\xC2\\x9B");
    EXPECT_EQ(back->amount, std::string(256, '9'));

    // A cut never splits a character of a UTF-8 text.
    record.port.clear();
    for (int i = 0; i < 200; ++i) {
        record.port += "\xD9\x85"; // a two-byte letter
    }
    record.port = "x" + record.port;
    const auto cut = journal::parseJournalLine(withoutLf(journal::journalLine(record)));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->port.size(), 255U);
}

TEST(JournalLine, TextsAreInertInASpreadsheetAndReadBackAsTheyWere) {
    struct Case {
        std::string text;
        std::string inert;   // as inertText makes it
        std::string written; // the field a line holds, after control characters are shown
    };
    const std::vector<Case> cases{
        {"=HYPERLINK(\"http://x\",\"y\")", "'=HYPERLINK(\"http://x\",\"y\")",
         "'=HYPERLINK(\"http://x\",\"y\")"},
        {"+1+1", "'+1+1", "'+1+1"},
        {"-1+2", "'-1+2", "'-1+2"},
        {"@SUM(A1)", "'@SUM(A1)", "'@SUM(A1)"},
        // Control characters never start a field of a line: they are shown as \xNN first.
        {"\t=1", "'\t=1", "\\x09=1"},
        {"\r=1", "'\r=1", "\\x0D=1"},
        {"\n=1", "'\n=1", "\\x0A=1"},
        // An apostrophe of the text's own gets one more, so that reading takes off only ours.
        {"'=1", "''=1", "''=1"},
        {"'", "''", "''"},
        {"''", "'''", "'''"},
        // Plain numbers stay numbers, whatever their sign.
        {"-5", "-5", "-5"},
        {"+5", "+5", "+5"},
        {"12.5", "12.5", "12.5"},
        {"-0.5", "-0.5", "-0.5"},
        {"-", "'-", "'-"},
        {"-5-5", "'-5-5", "'-5-5"},
        {"-1.2.3", "'-1.2.3", "'-1.2.3"},
        {"-1e3", "'-1e3", "'-1e3"},
        // Anything else is left alone.
        {"USB", "USB", "USB"},
        {"a=b", "a=b", "a=b"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(journal::inertText(c.text), c.inert);
        EXPECT_EQ(journal::textOfInert(c.inert), c.text);

        PurchaseRecord record = sale("A1B2C3D4", PurchaseEvent::Written, 45);
        record.port = c.text;
        record.amount = c.text;
        const std::string line = withoutLf(journal::journalLine(record));
        const auto fields = journal::csvFields(std::string_view(line).substr(0, line.size() - 1));
        ASSERT_TRUE(fields);
        ASSERT_EQ(fields->size(), 8U);
        EXPECT_EQ((*fields)[1], c.written);
        EXPECT_EQ((*fields)[4], c.written);
        // The numbers awk adds up are still the 4th and 6th of the line split at its commas.
        if (line.find('"') == std::string::npos) {
            EXPECT_EQ(line.substr(0, line.find(",written")),
                      "2026-12-09T10:15:00Z," + c.written + ",A1B2C3D4,50," + c.written + ",45");
        }

        PurchaseRecord back = record;
        back.port = back.amount = std::string(journal::textOfInert(c.written));
        EXPECT_EQ(journal::parseJournalLine(line), back);
        // A journal written before the rule held the text as it was, and reads the same, but
        // for the apostrophe of a text that starts with one.
        const std::string old = journal::csvField(back.port);
        const auto before = journal::parseJournalLine("2026-12-09T10:15:00Z," + old +
                                                      ",A1B2C3D4,50," + old + ",45,written,0\r");
        ASSERT_TRUE(before);
        if (back.port.starts_with('\'')) {
            EXPECT_EQ(before->port, back.port.substr(1));
        } else {
            EXPECT_EQ(*before, back);
        }
    }
}

TEST(JournalLine, TimesAreUtcIso8601) {
    using namespace std::chrono;
    const sys_seconds time = sys_days{2026y / December / 9} + 10h + 15min + 7s;
    EXPECT_EQ(journal::utcTime(time), "2026-12-09T10:15:07Z");
}

TEST(OpenPurchases, ASentPurchaseStaysOpenUntilItsCardHasAnOutcome) {
    journal::OpenPurchases open;
    open.note(sale("A1", PurchaseEvent::Asked));
    open.note(sale("A1", PurchaseEvent::Declined));
    EXPECT_EQ(open.size(), 0U);

    open.note(sale("A1", PurchaseEvent::Sending));
    open.note(sale("B2", PurchaseEvent::Sending, 30));
    open.note(sale("B2", PurchaseEvent::Unknown, 30));
    open.note(sale("C3", PurchaseEvent::Sending));
    open.note(sale("C3", PurchaseEvent::Written));
    open.note(sale("D4", PurchaseEvent::Sending));
    open.note(sale("D4", PurchaseEvent::Refused));
    EXPECT_EQ(open.size(), 2U);
    ASSERT_TRUE(open.of("A1"));
    EXPECT_EQ(open.of("A1")->event, PurchaseEvent::Sending);
    ASSERT_TRUE(open.of("B2"));
    EXPECT_EQ(open.of("B2")->newCredit, 30);
    EXPECT_FALSE(open.of("C3"));

    open.note(sale("A1", PurchaseEvent::ResolvedWritten));
    open.note(sale("B2", PurchaseEvent::ResolvedNotWritten));
    EXPECT_EQ(open.size(), 0U);
}

TEST(OpenPurchases, TheCreditNowTellsWhetherTheWriteWasMade) {
    const PurchaseRecord sent = sale("A1", PurchaseEvent::Sending, 40);
    EXPECT_EQ(journal::resolution(sent, 40), PurchaseEvent::ResolvedWritten);
    EXPECT_EQ(journal::resolution(sent, 50), PurchaseEvent::ResolvedNotWritten);
    EXPECT_EQ(journal::resolution(sent, 0), PurchaseEvent::ResolvedNotWritten);
}
