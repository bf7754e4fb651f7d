#include "Table.h"

#include <algorithm>
#include <cstdio>

namespace bench {

namespace {

std::string number(double value) {
    char text[32];
    if (value >= 100) {
        std::snprintf(text, sizeof text, "%.0f", value);
    } else if (value >= 10) {
        std::snprintf(text, sizeof text, "%.1f", value);
    } else {
        std::snprintf(text, sizeof text, "%.2f", value);
    }
    return text;
}

bool within(const Row& row) {
    return row.lowerIsBetter ? row.measured <= row.limit * (1 + row.tolerance)
                             : row.measured >= row.limit * (1 - row.tolerance);
}

std::string padded(const std::string& text, std::size_t width, bool right = false) {
    if (text.size() >= width) {
        return text;
    }
    const std::string pad(width - text.size(), ' ');
    return right ? pad + text : text + pad;
}

} // namespace

void Table::skip(std::string group, std::string what, std::string reason) {
    rows_.push_back(Row{std::move(group), std::move(what), -1, -1, "", true, std::move(reason), 0});
}

int Table::outside() const {
    return static_cast<int>(std::count_if(
        rows_.begin(), rows_.end(), [](const Row& row) { return row.limit >= 0 && !within(row); }));
}

std::string Table::text() const {
    std::size_t whatWidth = 4;
    for (const Row& row : rows_) {
        whatWidth = std::max(whatWidth, row.group.size() + 2 + row.what.size());
    }
    std::string out = padded("what", whatWidth) + "  " + padded("measured", 10, true) + "  " +
                      padded("limit", 10, true) + "  " + padded("unit", 7) + "  " +
                      padded("ratio", 6, true) + "  within  note\n";
    out += std::string(out.size() - 1, '-') + "\n";
    std::string group;
    for (const Row& row : rows_) {
        const std::string name = row.group + ": " + row.what;
        if (row.limit < 0) {
            out += padded(name, whatWidth) + "  " + padded("-", 10, true) + "  " +
                   padded("-", 10, true) + "  " + padded("", 7) + "  " + padded("-", 6, true) +
                   "  skip    " + row.note + "\n";
            continue;
        }
        // Above 1 is past the limit for both kinds of figure.
        const double ratio =
            row.lowerIsBetter ? row.measured / row.limit : row.limit / row.measured;
        out += padded(name, whatWidth) + "  " + padded(number(row.measured), 10, true) + "  " +
               padded(number(row.limit), 10, true) + "  " + padded(row.unit, 7) + "  " +
               padded(number(ratio), 6, true) + "  " + padded(within(row) ? "yes" : "NO", 6) +
               "  " + row.note + "\n";
    }
    return out;
}

} // namespace bench
