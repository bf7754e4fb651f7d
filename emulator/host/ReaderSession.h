#pragma once

#include "emulator/host/Console.h"
#include "emulator/host/LineFaults.h"
#include "emulator/host/ReaderChange.h"
#include "emulator/pcsc/ApduResponder.h"
#include "emulator/pcsc/CardPort.h"

#include <optional>

namespace kov450 {

/// The one way into the reader. Every host hands it a typed operation (ReaderOperation.h): the
/// line its request frames, the console its lines, the window its wallet actions, the link to
/// vpcd its card's power and APDUs. It applies each to the reader and raises one ReaderChange,
/// which its keeper follows before the answer goes back. The reader's thread alone calls it.
class ReaderSession final : public pcsc::CardPort {
public:
    /// `faults` collects what the console asks the line to do to its next answers.
    ReaderSession(Reader& reader, LineFaults& faults, ChangeKeeper& keeper);

    [[nodiscard]] LineRequest::Answer apply(LineRequest request);
    [[nodiscard]] ConsoleCommand::Answer apply(ConsoleCommand command);
    [[nodiscard]] WalletCommand::Answer apply(WalletCommand command);
    void apply(CardPower power);
    [[nodiscard]] CardApdu::Answer apply(CardApdu command);

    // The link to vpcd's way in.
    void power(const Uid& card, bool on) override;
    [[nodiscard]] std::vector<std::uint8_t> command(const Uid& card,
                                                    std::span<const std::uint8_t> apdu) override;

    const Reader& reader() const { return reader_; }

private:
    /// Raises the change of one exchange; its answer as the keeper left it.
    template <typename Operation>
    typename Operation::Answer raise(Exchange<Operation> exchange,
                                     std::optional<Reader::Memento> before);
    MifareClassic* cardInField(const Uid& uid);

    Reader& reader_;
    Console console_;
    pcsc::ApduResponder responder_;
    ChangeKeeper& keeper_;
};

} // namespace kov450
