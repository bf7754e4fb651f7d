#include "emulator/host/ReaderChange.h"

#include "emulator/model/HexText.h"
#include "mifare/StatusWords.h"

#include <algorithm>
#include <array>

namespace kov450 {

namespace {

/// PC/SC's status word for a write the card's memory did not take.
constexpr auto kMemoryFailure = mifare::bytesOf(mifare::StatusWord::MemoryFailure);

/// Turns each kind of answer into its refusal.
struct Refusal {
    const Reader& reader;
    const std::string& reason;
    std::optional<std::string>& notice;

    void operator()(Exchange<LineRequest>& exchange) const {
        const std::uint8_t command = exchange.operation.frame.command;
        if (exchange.answer) {
            exchange.answer = protocol::Frame{protocol::FrameKind::Answer,
                                              reader.state().address,
                                              command,
                                              unkeptStatus(command),
                                              {}};
        }
        notice = reason + "; command " + hexText(std::array{command}) + " is undone and refused";
    }

    void operator()(Exchange<ConsoleCommand>& exchange) const {
        exchange.answer.lines = {reason + "; the change is undone"};
    }

    void operator()(Exchange<WalletCommand>& exchange) const {
        exchange.answer = {reason + "; the change is undone"};
    }

    void operator()(Exchange<CardPower>&) const {
        // Power changes nothing that lasts; there is nothing to refuse.
    }

    void operator()(Exchange<CardApdu>& exchange) const {
        const std::span<const std::uint8_t> apdu = exchange.operation.apdu;
        exchange.answer.assign(kMemoryFailure.begin(), kMemoryFailure.end());
        notice = reason + "; PC/SC command " +
                 hexText(apdu.first(std::min<std::size_t>(apdu.size(), 2)), " ") +
                 " is undone and refused";
    }
};

} // namespace

void ReaderChange::undo(const std::string& reason) {
    if (!before_) {
        return;
    }
    reader_.restore(*std::move(before_));
    before_.reset();
    std::visit(Refusal{reader_, reason, notice_}, exchange_);
}

} // namespace kov450
