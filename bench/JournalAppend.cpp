#include "JournalAppend.h"

#include "Emulator.h"

#include "journal/PurchaseJournal.h"
#include "journal/PurchaseRecord.h"

#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;
using journal::PurchaseEvent;

constexpr int kHistoryLines = 100000;
constexpr int kPurchases = 50;
constexpr double kTickMs = 200;

std::string uidOf(int card) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", 0xA1000000U + static_cast<unsigned>(card));
    return text;
}

journal::PurchaseRecord sale(int card, PurchaseEvent event) {
    return {journal::utcTime(std::chrono::system_clock::now()),
            "USB",
            uidOf(card),
            50,
            "10",
            40,
            event,
            0};
}

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

void measureJournalAppend(Table& table) {
    const QTemporaryDir folder;
    if (!folder.isValid()) {
        throw std::runtime_error("no temporary folder for the journal");
    }
    const std::string file = folder.filePath("purchases.csv").toStdString();
    {
        // A shop's long history: a thousand cards, each purchase asked, sent and written.
        std::ofstream out(file, std::ios::binary);
        out << journal::kHeaderLine;
        constexpr PurchaseEvent kEvents[] = {PurchaseEvent::Asked, PurchaseEvent::Sending,
                                             PurchaseEvent::Written};
        for (int line = 0; line < kHistoryLines; ++line) {
            out << journal::journalLine(sale(line / 3 % 1000, kEvents[line % 3]));
        }
    }
    journal::PurchaseJournal journal(file);

    const auto firstRead = Clock::now();
    if (journal.openPurchaseOf(uidOf(0))) {
        throw std::runtime_error("the history left a purchase open");
    }
    table.add({"journal", "first card read, 100,000 lines", msSince(firstRead), kTickMs, "ms", true,
               "reads the whole journal once; limit: the auto read's tick"});

    std::vector<double> purchases;
    for (int purchase = 0; purchase < kPurchases; ++purchase) {
        const auto start = Clock::now();
        journal.openPurchaseOf(uidOf(purchase));
        for (const PurchaseEvent event :
             {PurchaseEvent::Asked, PurchaseEvent::Sending, PurchaseEvent::Written}) {
            if (const auto error = journal.append(sale(purchase, event))) {
                throw std::runtime_error(*error);
            }
        }
        purchases.push_back(msSince(start));
    }
    table.add({"journal", "one purchase's lines, 100,000 before", median(purchases), kTickMs, "ms",
               true,
               "median of " + std::to_string(kPurchases) +
                   ": look-up and 3 lines, each on disk; limit: the auto read's tick"});
}

} // namespace bench
