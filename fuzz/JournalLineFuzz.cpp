// libFuzzer target: any line read from a journal file must parse without reading past it, and
// any record, whatever its texts hold, must be written as one line that reads back.
#include "journal/CsvLine.h"
#include "journal/PurchaseRecord.h"

#include "text/PrintableText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

/// A text a line holds as it is, but for the apostrophe that keeps a spreadsheet off it.
bool keptWhole(const std::string& text) {
    return text.size() <= 256 && text::printable(text) == text;
}

void mustReadBack(const journal::PurchaseRecord& record) {
    const std::string line = journal::journalLine(record);
    if (line.size() < 2 || line.find('\n') != line.size() - 1) {
        std::abort(); // a record is exactly one line
    }
    const auto back = journal::parseJournalLine(std::string_view(line).substr(0, line.size() - 1));
    if (!back || back->event != record.event || back->status != record.status ||
        back->credit != record.credit || back->newCredit != record.newCredit) {
        std::abort();
    }
    // Written again, a record read back gives the very same line.
    if (journal::journalLine(*back) != line) {
        std::abort();
    }
    if (keptWhole(record.time) && keptWhole(record.port) && keptWhole(record.cardUid) &&
        keptWhole(record.amount) && *back != record) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (const auto record = journal::parseJournalLine(input)) {
        mustReadBack(*record);
    }
    static_cast<void>(journal::csvFields(input)); // any line splits, or not, without harm

    // The input as each text of a record, as a port name or an amount a user might type.
    const std::string text(input);
    journal::PurchaseRecord record{text, text, text.empty() ? "A1B2C3D4" : text, 50,
                                   text, 40,   journal::PurchaseEvent::Sending,  -2};
    if (record.time.empty()) {
        record.time = "2026-12-09T10:15:00Z";
    }
    mustReadBack(record);
    return 0;
}
