#pragma once

#include "emulator/host/ReaderOperation.h"
#include "protocol/Frame.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kov450 {

/// Where a traced command came from: a frame on the line, or an APDU from vpcd.
enum class ExchangeKind { Frame, Pcsc };

/// One request and its answer in words, for the command trace.
struct ExchangeText {
    std::string command;   ///< "Read blocks", "PC/SC Update binary"
    std::string arguments; ///< "block 4, count 1", "FF D6 00 04 10, data ..."
    std::string status;    ///< "0 OK", "4 not authenticated", "65 81 memory failure"
    std::string answer;    ///< the answer's data, decoded where it has a meaning
    ExchangeKind kind = ExchangeKind::Frame;

    /// Whether the answer says the command did what it asked.
    bool succeeded() const;
};

ExchangeText describeExchange(const protocol::Frame& request, const protocol::Frame& answer);

/// An APDU and the card's answer (response data, then the status word).
ExchangeText describeApdu(std::span<const std::uint8_t> apdu, std::span<const std::uint8_t> answer);

/// The trace row of an exchange that has one: a frame the reader answered, an APDU the card
/// answered. Console and wallet commands have none; the console shows them.
std::optional<ExchangeText> traceRow(const ReaderExchange& exchange);

} // namespace kov450
