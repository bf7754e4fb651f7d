#include "tagledger/Report.h"

#include "tagledger/LedgerRow.h"

#include "journal/CsvLine.h"
#include "journal/SpreadsheetText.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <map>

namespace tagledger {

namespace {

std::string twoDigits(int value) {
    char text[4];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

std::string row(std::string_view what, std::int64_t sales, std::int64_t amount) {
    char text[128];
    std::snprintf(text, sizeof text, "%-24.*s %10lld %12lld\n", static_cast<int>(what.size()),
                  what.data(), static_cast<long long>(sales), static_cast<long long>(amount));
    return text;
}

std::string heading(std::string_view what) {
    char text[128];
    std::snprintf(text, sizeof text, "%-24.*s %10s %12s\n", static_cast<int>(what.size()),
                  what.data(), "sales", "amount");
    return text;
}

} // namespace

bool isDay(std::string_view text) {
    return text.size() == 10 && isJournalTime(std::string(text) + "T00:00:00Z");
}

DayReport dayReport(std::string day, const std::vector<SalesBucket>& buckets) {
    DayReport report;
    report.day = std::move(day);
    std::map<std::string, SalesSum> counters;
    for (const SalesBucket& bucket : buckets) {
        SalesSum& counter = counters[bucket.counter];
        counter.sales += bucket.sales;
        counter.amount += bucket.amount;
        SalesSum& hour = report.hours.at(static_cast<std::size_t>(std::clamp(bucket.hour, 0, 23)));
        hour.sales += bucket.sales;
        hour.amount += bucket.amount;
        report.total.sales += bucket.sales;
        report.total.amount += bucket.amount;
    }
    report.counters.assign(counters.begin(), counters.end());
    return report;
}

std::string reportText(const DayReport& report) {
    std::string out = "sales of " + report.day + " (UTC)\n\n";
    out += heading("counter");
    for (const auto& [counter, sum] : report.counters) {
        out += row(counter, sum.sales, sum.amount);
    }
    out += "\n" + heading("hour (UTC)");
    for (int hour = 0; hour < 24; ++hour) {
        const SalesSum& sum = report.hours[static_cast<std::size_t>(hour)];
        if (sum.sales != 0) {
            out += row(twoDigits(hour) + ":00", sum.sales, sum.amount);
        }
    }
    out += "\n" + row("total", report.total.sales, report.total.amount);
    return out;
}

std::string reportJson(const DayReport& report) {
    nlohmann::ordered_json json;
    json["day"] = report.day;
    json["sales"] = report.total.sales;
    json["total"] = report.total.amount;
    json["counters"] = nlohmann::ordered_json::array();
    for (const auto& [counter, sum] : report.counters) {
        json["counters"].push_back(
            {{"counter", counter}, {"sales", sum.sales}, {"amount", sum.amount}});
    }
    json["hours"] = nlohmann::ordered_json::array();
    for (int hour = 0; hour < 24; ++hour) {
        const SalesSum& sum = report.hours[static_cast<std::size_t>(hour)];
        json["hours"].push_back({{"hour", hour}, {"sales", sum.sales}, {"amount", sum.amount}});
    }
    // Counter names come from command lines and journals: never let bad UTF-8 stop the report.
    return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string reportCsv(const DayReport& report) {
    std::string out = "day,counter,sales,amount\r\n";
    for (const auto& [counter, sum] : report.counters) {
        out += report.day + "," + journal::csvField(journal::inertText(counter)) + "," +
               std::to_string(sum.sales) + "," + std::to_string(sum.amount) + "\r\n";
    }
    out += report.day + ",total," + std::to_string(report.total.sales) + "," +
           std::to_string(report.total.amount) + "\r\n";
    return out;
}

std::string htmlEscaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string reportHtml(const DayReport& report) {
    std::int64_t highest = 1;
    for (const SalesSum& hour : report.hours) {
        highest = std::max(highest, hour.amount);
    }
    constexpr int kBarWidth = 24;
    constexpr int kChartHeight = 200;
    std::string chart = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                        std::to_string(24 * kBarWidth + 40) + "\" height=\"" +
                        std::to_string(kChartHeight + 40) +
                        "\" role=\"img\" aria-label=\"amount per hour\">\n";
    for (int hour = 0; hour < 24; ++hour) {
        const std::int64_t amount =
            std::max<std::int64_t>(0, report.hours[static_cast<std::size_t>(hour)].amount);
        const int height = static_cast<int>(amount * kChartHeight / highest);
        const int x = 20 + hour * kBarWidth;
        chart += "<rect x=\"" + std::to_string(x + 2) + "\" y=\"" +
                 std::to_string(10 + kChartHeight - height) + "\" width=\"" +
                 std::to_string(kBarWidth - 4) + "\" height=\"" + std::to_string(height) +
                 "\" fill=\"#3a7bd5\"><title>" + twoDigits(hour) + ":00 " + std::to_string(amount) +
                 "</title></rect>\n";
        chart += "<text x=\"" + std::to_string(x + kBarWidth / 2) + "\" y=\"" +
                 std::to_string(kChartHeight + 30) + "\" font-size=\"10\" text-anchor=\"middle\">" +
                 twoDigits(hour) + "</text>\n";
    }
    chart += "</svg>\n";

    std::string rows;
    for (const auto& [counter, sum] : report.counters) {
        rows += "<tr><td>" + htmlEscaped(counter) + "</td><td>" + std::to_string(sum.sales) +
                "</td><td>" + std::to_string(sum.amount) + "</td></tr>\n";
    }
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<title>Sales of " +
           report.day +
           "</title>\n"
           "<style>body{font-family:sans-serif;margin:2em}table{border-collapse:collapse}"
           "td,th{border:1px solid #999;padding:4px 10px;text-align:right}"
           "td:first-child,th:first-child{text-align:left}</style>\n</head>\n<body>\n"
           "<h1>Sales of " +
           report.day +
           " (UTC)</h1>\n"
           "<p>Total: <strong>" +
           std::to_string(report.total.amount) + "</strong> in " +
           std::to_string(report.total.sales) +
           " sales.</p>\n"
           "<h2>Amount per hour</h2>\n" +
           chart +
           "<h2>Per "
           "counter</h2>\n<table>\n<tr><th>counter</th><th>sales</th><th>amount</th></tr>\n" +
           rows + "<tr><th>total</th><th>" + std::to_string(report.total.sales) + "</th><th>" +
           std::to_string(report.total.amount) + "</th></tr>\n</table>\n</body>\n</html>\n";
}

} // namespace tagledger
