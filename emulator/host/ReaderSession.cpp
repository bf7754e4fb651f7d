#include "emulator/host/ReaderSession.h"

#include "mifare/StatusWords.h"
#include "protocol/Status.h"

namespace kov450 {

namespace {

/// PC/SC's status word when no better one says what went wrong.
constexpr auto kNoDiagnosis = mifare::bytesOf(mifare::StatusWord::NoPreciseDiagnosis);

} // namespace

ReaderSession::ReaderSession(Reader& reader, LineFaults& faults, ChangeKeeper& keeper)
    : reader_(reader), console_(reader, faults), keeper_(keeper) {
}

template <typename Operation>
typename Operation::Answer ReaderSession::raise(Exchange<Operation> exchange,
                                                std::optional<Reader::Memento> before) {
    ReaderChange change(reader_, std::move(exchange), std::move(before));
    keeper_.keep(change);
    return change.takeAnswer<Operation>();
}

LineRequest::Answer ReaderSession::apply(LineRequest request) {
    std::optional<Reader::Memento> before;
    if (mayChangeLastingState(request.frame.command)) {
        before = reader_.memento();
    }
    LineRequest::Answer answer = reader_.handle(request.frame);
    if (!answer || answer->status != protocol::status::kOk) {
        before.reset(); // nothing changed
    }
    return raise(Exchange<LineRequest>{std::move(request), std::move(answer)}, std::move(before));
}

ConsoleCommand::Answer ReaderSession::apply(ConsoleCommand command) {
    // Any line may change the wallet; one that changed nothing has nothing to save.
    Reader::Memento before = reader_.memento();
    ConsoleReply reply = console_.execute(command.line);
    return raise(Exchange<ConsoleCommand>{std::move(command), std::move(reply)}, std::move(before));
}

WalletCommand::Answer ReaderSession::apply(WalletCommand command) {
    Reader::Memento before = reader_.memento();
    std::vector<std::string> lines = linesOf(perform(reader_, command.action));
    return raise(Exchange<WalletCommand>{std::move(command), std::move(lines)}, std::move(before));
}

void ReaderSession::apply(CardPower power) {
    if (MifareClassic* card = cardInField(power.card)) {
        if (power.on) {
            pcsc::ApduResponder::powerOn(*card);
        } else {
            pcsc::ApduResponder::powerOff(*card);
        }
    }
    raise(Exchange<CardPower>{power, {}}, std::nullopt);
}

CardApdu::Answer ReaderSession::apply(CardApdu command) {
    MifareClassic* card = cardInField(command.card);
    if (card == nullptr) {
        // The link asks only for the card it serves, which is in the field.
        return {kNoDiagnosis.begin(), kNoDiagnosis.end()};
    }
    std::optional<Reader::Memento> before = reader_.memento();
    pcsc::ApduResponder::Answer answer = responder_.respond(*card, command.apdu);
    if (!answer.memoryChanged) {
        before.reset();
    }
    return raise(Exchange<CardApdu>{std::move(command), std::move(answer.bytes)},
                 std::move(before));
}

void ReaderSession::power(const Uid& card, bool on) {
    apply(CardPower{card, on});
}

std::vector<std::uint8_t> ReaderSession::command(const Uid& card,
                                                 std::span<const std::uint8_t> apdu) {
    return apply(CardApdu{card, {apdu.begin(), apdu.end()}});
}

MifareClassic* ReaderSession::cardInField(const Uid& uid) {
    const auto index = reader_.findCard(uid);
    if (!index || !reader_.cards()[*index].inField) {
        return nullptr;
    }
    return &reader_.card(*index);
}

} // namespace kov450
