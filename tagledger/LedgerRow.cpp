#include "tagledger/LedgerRow.h"

#include <array>

namespace tagledger {

namespace {

/// The number of `count` digits at `at`, or -1.
int digits(std::string_view text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return -1;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

int daysIn(int year, int month) {
    static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

} // namespace

bool isJournalTime(std::string_view text) {
    // YYYY-MM-DDTHH:MM:SSZ
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text[19] != 'Z') {
        return false;
    }
    const int year = digits(text, 0, 4);
    const int month = digits(text, 5, 2);
    const int day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2);
    const int minute = digits(text, 14, 2);
    const int second = digits(text, 17, 2);
    return year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= daysIn(year, month) &&
           hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60;
}

std::optional<LedgerRow> ledgerRow(std::string_view line, std::int64_t place) {
    std::optional<journal::PurchaseRecord> record = journal::parseJournalLine(line);
    if (!record || !isJournalTime(record->time)) {
        return std::nullopt;
    }
    return LedgerRow{place, place + static_cast<std::int64_t>(line.size()) + 1, std::move(*record)};
}

Lines wholeLines(std::string_view bytes, std::int64_t place) {
    Lines lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find('\n', start)) != std::string_view::npos;
         start = end + 1) {
        const std::string_view line = bytes.substr(start, end - start);
        std::optional<LedgerRow> row =
            line.size() <= kMaxLineBytes ? ledgerRow(line, place + static_cast<std::int64_t>(start))
                                         : std::nullopt;
        if (row) {
            lines.rows.push_back(std::move(*row));
        } else {
            ++lines.skipped;
        }
    }
    lines.consumed = start;
    if (bytes.size() - start > kMaxLineBytes) {
        lines.consumed = bytes.size();
    }
    return lines;
}

} // namespace tagledger
