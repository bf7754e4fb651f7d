#include "tagledger/PgArray.h"

namespace tagledger {

std::string pgArrayLiteral(const std::vector<std::string>& values) {
    std::string out = "{";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        out += '"';
        for (const char c : values[i]) {
            if (c == '"' || c == '\\') {
                out += '\\';
            }
            out += c;
        }
        out += '"';
    }
    out += '}';
    return out;
}

} // namespace tagledger
