#pragma once

#include <string>
#include <vector>

namespace bench {

/// One figure and the limit it is held against. `lowerIsBetter` says which side of the limit
/// is within it (times and memory: below; rates: above); `tolerance` is how far past the limit
/// still counts as within it (0.05: five percent).
struct Row {
    std::string group;
    std::string what;
    double measured = 0;
    double limit = 0;
    std::string unit;
    bool lowerIsBetter = true;
    std::string note;
    double tolerance = 0;
};

/// The benchmark's one table: what, measured, limit, ratio and whether it is within.
class Table {
public:
    void add(Row row) { rows_.push_back(std::move(row)); }
    /// A row that could not be measured on this machine, with the reason.
    void skip(std::string group, std::string what, std::string reason);
    std::string text() const;
    /// How many measured rows lie outside their limit.
    int outside() const;

private:
    std::vector<Row> rows_;
};

} // namespace bench
