#pragma once

#include "emulator/host/Console.h"
#include "emulator/host/WalletActions.h"
#include "emulator/model/MifareClassic.h"
#include "protocol/Frame.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace kov450 {

// What the hosts ask of the reader, one type for each way in, each with the answer it gets.
// A host only turns its input into one of these and the answer into its output; ReaderSession
// applies them all alike.

/// A request frame read from the line (the pty).
struct LineRequest {
    /// The answer frame; none when the request is for another reader.
    using Answer = std::optional<protocol::Frame>;
    protocol::Frame frame;
};

/// A line typed on the console.
struct ConsoleCommand {
    using Answer = ConsoleReply;
    std::string line;
};

/// An action on the wallet: asked for in the window, or a line fault taking a card away.
struct WalletCommand {
    /// Lines for a person; an error line when the action was refused.
    using Answer = std::vector<std::string>;
    WalletAction action;
};

/// vpcd powered the card in the field with this UID on (or reset it), or off.
struct CardPower {
    using Answer = std::monostate;
    Uid card{};
    bool on = true;
};

/// An APDU from vpcd for the card in the field with this UID.
struct CardApdu {
    /// Response data and status word.
    using Answer = std::vector<std::uint8_t>;
    Uid card{};
    std::vector<std::uint8_t> apdu;
};

/// An operation with its answer.
template <typename Operation> struct Exchange {
    Operation operation;
    typename Operation::Answer answer;
};

/// Any operation with its answer, as the keeper and the window see it.
using ReaderExchange =
    std::variant<Exchange<LineRequest>, Exchange<ConsoleCommand>, Exchange<WalletCommand>,
                 Exchange<CardPower>, Exchange<CardApdu>>;

} // namespace kov450
