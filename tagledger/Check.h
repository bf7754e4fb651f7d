#pragma once

// What check finds, in its forms for a person and a program.

#include <string>
#include <vector>

namespace tagledger {

/// A sale that read more credit from a card than the last write anywhere left on it: the card
/// was forged or topped up outside the counters.
struct RaisedCredit {
    std::string card;
    std::string counter; ///< where the sale read it
    std::string time;
    int creditRead = 0;
    std::string writtenCounter; ///< where the last write before it was made
    std::string writtenTime;
    int creditWritten = 0;
    bool operator==(const RaisedCredit&) const = default;
};

/// A purchase sent to a card whose outcome its counter has not yet learnt.
struct UnsettledPurchase {
    std::string card;
    std::string counter;
    std::string time;
    std::string event; ///< sending or unknown
    int creditRead = 0;
    int newCredit = 0;
    bool operator==(const UnsettledPurchase&) const = default;
};

struct CheckFindings {
    std::vector<RaisedCredit> raised;
    std::vector<UnsettledPurchase> unsettled;
    bool any() const { return !raised.empty() || !unsettled.empty(); }
};

std::string checkText(const CheckFindings& findings);
std::string checkJson(const CheckFindings& findings);

} // namespace tagledger
