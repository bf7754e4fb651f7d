#pragma once

// A day's sales: what the database adds up per counter and hour, and its forms for a person
// (text), a program (JSON, CSV) and the owner (an HTML page with a chart).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tagledger {

/// The sales of one counter in one hour (UTC) of the day.
struct SalesBucket {
    std::string counter;
    int hour = 0; ///< 0 to 23
    std::int64_t sales = 0;
    std::int64_t amount = 0; ///< credit read minus new credit, added up

    bool operator==(const SalesBucket&) const = default;
};

struct SalesSum {
    std::int64_t sales = 0;
    std::int64_t amount = 0;
    bool operator==(const SalesSum&) const = default;
};

struct DayReport {
    std::string day;                                        ///< YYYY-MM-DD
    std::vector<std::pair<std::string, SalesSum>> counters; ///< by name
    std::vector<SalesSum> hours = std::vector<SalesSum>(24);
    SalesSum total;
};

/// Whether the text is a real day written YYYY-MM-DD.
[[nodiscard]] bool isDay(std::string_view text);

/// The day's report from its buckets, in any order.
DayReport dayReport(std::string day, const std::vector<SalesBucket>& buckets);

std::string reportText(const DayReport& report);
std::string reportJson(const DayReport& report);
std::string reportCsv(const DayReport& report);
/// A page that needs nothing beyond itself: a table per counter and an inline SVG chart of the
/// amount per hour; no script.
std::string reportHtml(const DayReport& report);

/// The text safe inside HTML, in an element or an attribute.
std::string htmlEscaped(std::string_view text);

} // namespace tagledger
