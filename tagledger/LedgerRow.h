#pragma once

// The journal's lines as rows of the ledger: which bytes of a journal make whole lines, and
// which of those lines the ledger takes. Only the journal's own parser decides what a line says.

#include "journal/PurchaseRecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tagledger {

/// A journal line as the ledger keeps it: where it lies in its journal and what it says.
struct LedgerRow {
    std::int64_t place = 0;     ///< the byte offset of the line in its journal
    std::int64_t nextPlace = 0; ///< the byte offset just after its LF
    journal::PurchaseRecord record;

    bool operator==(const LedgerRow&) const = default;
};

/// A journal line longer than this is no journal line (texts are cut at 256 bytes).
inline constexpr std::size_t kMaxLineBytes = 16 * 1024;

/// Whether the text is a time as the journal writes it, to the second in UTC, and a real one:
/// 2026-12-09T08:02:11Z. The ledger stores times as times, so it takes no other.
[[nodiscard]] bool isJournalTime(std::string_view text);

/// The row of one line given without its LF, at `place`; nothing for the header, a torn line,
/// a foreign line or one whose time is no real time.
[[nodiscard]] std::optional<LedgerRow> ledgerRow(std::string_view line, std::int64_t place);

/// The whole lines of a piece of a journal that starts at `place`.
struct Lines {
    std::vector<LedgerRow> rows;
    std::size_t consumed = 0; ///< bytes up to the end of the last whole line (or long one)
    std::size_t skipped = 0;  ///< whole lines that were no purchase line (header included)
};

/// Splits the bytes into lines at LF and maps each; a tail without its LF is left for later,
/// unless it is already longer than any line, when it is skipped up to the end of the bytes.
[[nodiscard]] Lines wholeLines(std::string_view bytes, std::int64_t place);

} // namespace tagledger
