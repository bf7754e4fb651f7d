#include "journal/CsvLine.h"

namespace journal {

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::optional<std::vector<std::string>> csvFields(std::string_view line) {
    std::vector<std::string> fields(1);
    std::size_t at = 0;
    while (at < line.size()) {
        if (line[at] == ',') {
            fields.emplace_back();
            ++at;
            continue;
        }
        std::string& field = fields.back();
        if (line[at] != '"') {
            const std::size_t end = line.find(',', at);
            const std::string_view bare = line.substr(at, end - at);
            if (bare.find('"') != std::string_view::npos) {
                return std::nullopt; // a quote may only open a field
            }
            field.append(bare);
            at = end == std::string_view::npos ? line.size() : end;
            continue;
        }
        if (!field.empty()) {
            return std::nullopt;
        }
        // A quoted field runs to the quote that is not doubled, and a comma or the end follows.
        for (++at;; ++at) {
            if (at >= line.size()) {
                return std::nullopt;
            }
            if (line[at] != '"') {
                field += line[at];
            } else if (at + 1 < line.size() && line[at + 1] == '"') {
                field += '"';
                ++at;
            } else {
                ++at;
                break;
            }
        }
        if (at < line.size() && line[at] != ',') {
            return std::nullopt;
        }
    }
    return fields;
}

} // namespace journal
