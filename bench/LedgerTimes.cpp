#include "LedgerTimes.h"

#include "e2e/ChildProcess.h"
#include "e2e/PostgresServer.h"

#include "journal/PurchaseRecord.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>

namespace bench {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

/// Runs tagledger to its end; its wall time in ms, or a negative number when it failed.
double timed(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{TAGLEDGER_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const auto start = Clock::now();
    testing_support::ChildProcess child(argv);
    while (child.readLine(600s)) {
    }
    const std::optional<int> status = child.wait(600s);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return status == 0 ? ms : -1;
}

/// A journal of `sales` written purchases over one day, one line each, on 1,000 cards.
void writeSales(const std::filesystem::path& file, int sales) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << journal::kHeaderLine;
    for (int i = 0; i < sales; ++i) {
        char time[32];
        // In 64 bits: i * 86399 passes INT_MAX at the 24,856th sale, and an optimiser may then
        // take the loop for an endless one (it wrote a journal until the disk was full).
        const auto second = static_cast<int>(std::int64_t{i} * 86399 / sales);
        std::snprintf(time, sizeof time, "2026-12-09T%02d:%02d:%02dZ", second / 3600,
                      second / 60 % 60, second % 60);
        out << journal::journalLine({time, "USB", "C" + std::to_string(i % 1000), 200, "5", 195,
                                     journal::PurchaseEvent::Written, 0});
    }
}

} // namespace

void measureLedger(Table& table) {
    const auto programs = testing_support::PostgresServer::programs();
    if (!programs) {
        table.skip("ledger", "tagledger", "PostgreSQL is not installed");
        return;
    }
    testing_support::PostgresServer server(*programs, /*durable=*/true);
    if (server.failure() || !server.start()) {
        table.skip("ledger", "tagledger", "the PostgreSQL server did not start");
        return;
    }
    const std::string url = server.url();
    testing_support::TempFolder folder;
    const auto journal = folder.path() / "purchases.csv";
    constexpr int kLines = 100000;
    writeSales(journal, kLines);
    if (timed({"--db", url, "init"}) < 0) {
        table.skip("ledger", "tagledger", "init failed");
        return;
    }
    const double pushMs = timed({"--db", url, "push", "--counter", "A", journal.string()});
    if (pushMs < 0) {
        table.skip("ledger", "tagledger", "push failed");
        return;
    }
    table.add(
        {"ledger", "tagledger: push of a 100,000-line journal", kLines / (pushMs / 1000), 10000,
         "lines/s", false,
         "whole run, batches of 1000, fsync on; limit: a busy counter's year (1M lines) in 100 s",
         0});

    std::vector<double> reports;
    for (int i = 0; i < 5; ++i) {
        reports.push_back(timed({"--db", url, "report", "--day", "2026-12-09", "--json"}));
    }
    std::sort(reports.begin(), reports.end());
    table.add({"ledger", "tagledger: day's report, 100,000 sales", reports[2], 500, "ms", true,
               "median of 5, whole run with connecting; limit: the owner's page at once", 0});
}

} // namespace bench
