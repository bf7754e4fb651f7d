// The pure parts of tagledger: which journal bytes become ledger rows, and the report's forms.
#include "tagledger/LedgerRow.h"
#include "tagledger/Report.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kSale = "2026-12-09T08:02:13Z,USB,A1B2C3D4,50,10,40,written,0\r";

struct LinesCase {
    const char* name;
    std::string bytes;
    std::vector<std::int64_t> places; ///< of the rows taken
    std::size_t consumed;
    std::size_t skipped;
};

class WholeLines : public ::testing::TestWithParam<LinesCase> {};

TEST_P(WholeLines, TakeOnlyWholePurchaseLines) {
    const LinesCase& c = GetParam();
    const tagledger::Lines lines = tagledger::wholeLines(c.bytes, 100);
    std::vector<std::int64_t> places;
    for (const auto& row : lines.rows) {
        places.push_back(row.place);
        EXPECT_EQ(row.nextPlace, row.place + static_cast<std::int64_t>(kSale.size()) + 1);
    }
    EXPECT_EQ(places, c.places);
    EXPECT_EQ(lines.consumed, c.consumed);
    EXPECT_EQ(lines.skipped, c.skipped);
}

const std::string kHeader = "time,port,card UID,credit read,amount typed,new credit,event,status\r";
const std::size_t kLine = kSale.size() + 1;

INSTANTIATE_TEST_SUITE_P(
    Journal, WholeLines,
    ::testing::Values(
        LinesCase{"HeaderThenSale",
                  kHeader + "\n" + kSale + "\n",
                  {100 + static_cast<std::int64_t>(kHeader.size()) + 1},
                  kHeader.size() + 1 + kLine,
                  1},
        // A line cut by a crash lacks its CR; the next writer ended it with an LF.
        LinesCase{"TornLineSkipped",
                  "2026-12-09T08:02:13Z,USB,A1\n" + kSale + "\n",
                  {100 + 28},
                  28 + kLine,
                  1},
        LinesCase{"ForeignLineSkipped", "hello,world\r\n" + kSale + "\n", {113}, 13 + kLine, 1},
        LinesCase{
            "NoRealTime", "2026-02-30T08:02:13Z,USB,A1B2C3D4,50,10,40,written,0\r\n", {}, kLine, 1},
        // A line still being written is left for the next pass.
        LinesCase{"TailWaits", kSale + "\n" + kSale, {100}, kLine, 0},
        LinesCase{"EndlessTailSkipped",
                  std::string(tagledger::kMaxLineBytes + 1, 'x'),
                  {},
                  tagledger::kMaxLineBytes + 1,
                  0}),
    [](const auto& instance) { return std::string(instance.param.name); });

TEST(JournalTime, OnlyRealUtcSeconds) {
    EXPECT_TRUE(tagledger::isJournalTime("2024-02-29T23:59:59Z"));
    for (const char* wrong :
         {"2023-02-29T00:00:00Z", "2026-12-09T24:00:00Z", "2026-12-09 08:00:00Z",
          "2026-12-09T08:00:00", "'=1+1", "2026-13-01T00:00:00Z", "2026-12-09T08:00:60Z"}) {
        EXPECT_FALSE(tagledger::isJournalTime(wrong)) << wrong;
    }
    EXPECT_TRUE(tagledger::isDay("2026-12-09"));
    EXPECT_FALSE(tagledger::isDay("2026-12-32"));
}

TEST(DayReport, AddsUpPerCounterAndHourInEveryForm) {
    const tagledger::DayReport report = tagledger::dayReport(
        "2026-12-09", {{"B", 8, 2, 15}, {"<b>&A", 8, 1, 10}, {"<b>&A", 17, 3, 30}});
    const auto json = nlohmann::json::parse(tagledger::reportJson(report));
    EXPECT_EQ(json["total"], 55);
    EXPECT_EQ(json["sales"], 6);
    EXPECT_EQ(json["hours"][8]["amount"], 25);
    EXPECT_EQ(json["counters"][0]["counter"], "<b>&A");
    EXPECT_EQ(json["counters"][0]["amount"], 40);

    EXPECT_NE(tagledger::reportCsv(report).find("2026-12-09,total,6,55\r\n"), std::string::npos);
    EXPECT_NE(tagledger::reportText(report).find("total"), std::string::npos);

    const std::string page = tagledger::reportHtml(report);
    EXPECT_NE(page.find("<svg"), std::string::npos);
    EXPECT_NE(page.find("&lt;b&gt;&amp;A"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos); // a counter's name is never markup
    EXPECT_EQ(page.find("<script"), std::string::npos);
}

} // namespace
