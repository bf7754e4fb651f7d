#pragma once

// One line of the purchase journal: an event of an auto read purchase, with the numbers a shop
// adds up and the status the reader gave.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace journal {

/// What happened to a purchase. A purchase is asked, then declined or sent; a sent one is
/// written, refused or unknown, and an unknown or unanswered one is later resolved either way.
enum class PurchaseEvent {
    Asked,
    Declined,
    Sending,
    Written,
    Refused,
    Unknown,
    ResolvedWritten,
    ResolvedNotWritten,
};

std::string_view eventName(PurchaseEvent event);
[[nodiscard]] std::optional<PurchaseEvent> eventNamed(std::string_view name);

struct PurchaseRecord {
    std::string time;    ///< UTC, ISO 8601, to the second: 2026-12-09T10:15:00Z
    std::string port;    ///< the port name the panel opened
    std::string cardUid; ///< as the panel shows it: A1B2C3D4
    int credit = 0;      ///< read from the card before the purchase
    std::string amount;  ///< as the operator typed it
    int newCredit = 0;   ///< the credit the purchase leaves, once written
    PurchaseEvent event = PurchaseEvent::Asked;
    std::int32_t status = 0; ///< of the write for its outcomes, else of the credit's read

    bool operator==(const PurchaseRecord&) const = default;
};

/// The first line of every journal, naming the columns.
inline constexpr std::string_view kHeaderLine =
    "time,port,card UID,credit read,amount typed,new credit,event,status\r\n";

/// A time as the journal writes it.
std::string utcTime(std::chrono::system_clock::time_point time);

/// The record as one journal line, ending CR LF. Control characters in its texts are written
/// as \xNN, so that a line never breaks and never carries a terminal's escape; a text is cut
/// at 256 bytes, so that the line is never too long to be read back; and a text a spreadsheet
/// would run as a formula gets an apostrophe in front (see inertText).
std::string journalLine(const PurchaseRecord& record);

/// The record of one line given without its LF; nothing for the header, for a line that lacks
/// its CR (cut short by a crash, then ended by the next writer), or for anything malformed. A
/// text's apostrophe in front is taken off, so a record reads back as it was written.
[[nodiscard]] std::optional<PurchaseRecord> parseJournalLine(std::string_view line);

} // namespace journal
