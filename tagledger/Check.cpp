#include "tagledger/Check.h"

#include "text/PrintableText.h"

#include <nlohmann/json.hpp>

namespace tagledger {

std::string checkText(const CheckFindings& findings) {
    if (!findings.any()) {
        return "no card with raised credit, no unsettled purchase\n";
    }
    std::string out;
    for (const RaisedCredit& r : findings.raised) {
        out += "raised credit: card " + text::printable(r.card) + " read " +
               std::to_string(r.creditRead) + " at " + text::printable(r.counter) + " " + r.time +
               ", after " + std::to_string(r.creditWritten) + " was written at " +
               text::printable(r.writtenCounter) + " " + r.writtenTime + "\n";
    }
    for (const UnsettledPurchase& u : findings.unsettled) {
        out += "unsettled purchase: card " + text::printable(u.card) + " at " +
               text::printable(u.counter) + " " + u.time + ", " + u.event + ", " +
               std::to_string(u.creditRead) + " to " + std::to_string(u.newCredit) + "\n";
    }
    return out;
}

std::string checkJson(const CheckFindings& findings) {
    nlohmann::ordered_json json;
    json["raised_credit"] = nlohmann::ordered_json::array();
    for (const RaisedCredit& r : findings.raised) {
        json["raised_credit"].push_back({{"card", r.card},
                                         {"counter", r.counter},
                                         {"time", r.time},
                                         {"credit_read", r.creditRead},
                                         {"written_counter", r.writtenCounter},
                                         {"written_time", r.writtenTime},
                                         {"credit_written", r.creditWritten}});
    }
    json["unsettled"] = nlohmann::ordered_json::array();
    for (const UnsettledPurchase& u : findings.unsettled) {
        json["unsettled"].push_back({{"card", u.card},
                                     {"counter", u.counter},
                                     {"time", u.time},
                                     {"event", u.event},
                                     {"credit_read", u.creditRead},
                                     {"new_credit", u.newCredit}});
    }
    return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

} // namespace tagledger
