// libFuzzer target: any bytes of a journal, as push reads them, become rows whose places lie
// inside the bytes, in order, each the place of a whole line the journal's parser takes.
#include "tagledger/LedgerRow.h"
#include "tagledger/PgArray.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const tagledger::Lines lines = tagledger::wholeLines(bytes, 0);
    if (lines.consumed > bytes.size()) {
        std::abort();
    }
    std::int64_t after = 0;
    for (const tagledger::LedgerRow& row : lines.rows) {
        if (row.place < after || row.nextPlace > static_cast<std::int64_t>(lines.consumed) ||
            bytes[static_cast<std::size_t>(row.nextPlace - 1)] != '\n' ||
            !tagledger::isJournalTime(row.record.time)) {
            std::abort();
        }
        after = row.nextPlace;
        // Every text of a row goes to the server inside one array element.
        const std::string element = tagledger::pgArrayLiteral({row.record.port});
        if (element.size() < 4 || element.front() != '{' || element.back() != '}') {
            std::abort();
        }
    }
    return 0;
}
