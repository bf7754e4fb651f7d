#pragma once

#include "protocol/Frame.h"

#include <cstdint>
#include <string>

namespace kov450 {

/// One request and its answer in words, for the command trace.
struct ExchangeText {
    std::string command;   ///< "Read blocks"
    std::string arguments; ///< "block 4, count 1"
    std::string status;    ///< "0 OK", "4 not authenticated"
    std::string answer;    ///< the answer's data, decoded where it has a meaning
};

ExchangeText describeExchange(const protocol::Frame& request, const protocol::Frame& answer);

} // namespace kov450
