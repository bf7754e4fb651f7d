#pragma once

#include "emulator/model/MifareClassic.h"
#include "emulator/model/ReaderState.h"
#include "protocol/Frame.h"
#include "protocol/Messages.h"

#include <cstdint>
#include <optional>
#include <span>
#include <variant>
#include <vector>

namespace kov450 {

/// A card the reader knows of, in its field or not.
struct CardSlot {
    MifareClassic card;
    bool inField = false;
};

/// What a request came to: its status and, on success, the answer's payload.
struct CommandOutcome {
    std::int32_t status = 0;
    std::vector<std::uint8_t> payload;
};

/// The emulated reader: a pure state machine from a request frame to its answer. No I/O, no
/// clock; a host feeds it frames (through ReaderSession, which keeps what lasts) and shows its
/// state.
class Reader {
public:
    /// The answer to a request, or nothing when the request is addressed to another reader.
    [[nodiscard]] std::optional<protocol::Frame> handle(const protocol::Frame& request);

    const ReaderState& state() const { return state_; }
    ReaderState& state() { return state_; }

    /// Cards, by index. A new card starts outside the field.
    std::size_t addCard(MifareClassic card);
    const std::vector<CardSlot>& cards() const { return cards_; }
    MifareClassic& card(std::size_t index) { return cards_.at(index).card; }
    std::optional<std::size_t> findCard(const Uid& uid) const;
    /// Puts a card into the field (it powers up Idle) or takes it out.
    void present(std::size_t index);
    void remove(std::size_t index);
    /// Forgets a card altogether.
    void deleteCard(std::size_t index);

    /// Everything the reader and its cards hold, to be put back when a change cannot be kept.
    struct Memento {
        ReaderState state;
        std::vector<CardSlot> cards;
        std::optional<Uid> selected;
    };
    Memento memento() const { return {state_, cards_, selected_}; }
    void restore(Memento memento);

private:
    using Outcome = CommandOutcome;
    template <protocol::Command C> using Tag = protocol::CommandTag<C>;
    using Command = protocol::Command;

    Outcome dispatch(std::uint8_t command, std::span<const std::uint8_t> payload);
    // One handler per command, given its request in the command's layout.
    Outcome on(Tag<Command::GetAddress>, const protocol::Empty&);
    Outcome on(Tag<Command::SetAddress>, const protocol::Address& request);
    Outcome on(Tag<Command::SetLineSpeed>, const protocol::LineSpeed& request);
    Outcome on(Tag<Command::GetVersion>, const protocol::Empty&);
    Outcome on(Tag<Command::GetSerial>, const protocol::Empty&);
    Outcome on(Tag<Command::SetSerial>, const protocol::SerialText& request);
    Outcome on(Tag<Command::Reset>, const protocol::Empty&);
    Outcome on(Tag<Command::Buzzer>, const protocol::Buzzer& request);
    Outcome on(Tag<Command::Leds>, const protocol::Leds& request);
    Outcome on(Tag<Command::RfField>, const protocol::RfField& request);
    Outcome on(Tag<Command::Wiegand>, const protocol::WiegandMode& request);
    Outcome on(Tag<Command::Request>, const protocol::CardRequest& request);
    Outcome on(Tag<Command::Anticollision>, const protocol::Empty&);
    Outcome on(Tag<Command::Select>, const protocol::CardUid& request);
    Outcome on(Tag<Command::Halt>, const protocol::Empty&);
    Outcome on(Tag<Command::LoadKey>, const protocol::CardKey& request);
    Outcome on(Tag<Command::LoadStoredKey>, const protocol::KeySlot& request);
    Outcome on(Tag<Command::StoreKey>, const protocol::StoredKey& request);
    Outcome on(Tag<Command::Authenticate>, const protocol::Authentication& request);
    Outcome on(Tag<Command::ReadBlocks>, const protocol::BlockRange& request);
    Outcome on(Tag<Command::WriteBlocks>, const protocol::BlockWrite& request);
    Outcome on(Tag<Command::ValueOperation>, const protocol::ValueRequest& request);
    Outcome on(Tag<Command::Transfer>, const protocol::TransferBlock& request);
    /// The outcome of a command the selected card answered; the reader forgets a card that
    /// dropped out of its session.
    Outcome followCard(const MifareClassic& card, Outcome outcome);
    /// The selected card, or the status that says why there is none.
    std::variant<MifareClassic*, std::int32_t> selectedCard();
    void fieldOff();
    void reset();

    ReaderState state_;
    std::vector<CardSlot> cards_;
    std::optional<Uid> selected_;
};

/// Whether a request with this command id, answered with success, may have changed what lasts:
/// the reader's EEPROM settings, a card's memory. Others need no save.
[[nodiscard]] bool mayChangeLastingState(std::uint8_t command);

/// The status of a request that changed what lasts and succeeded, when the change could not be
/// kept and is undone: 2 for a card's memory (as a write that lost power), 5 for a setting of
/// the reader's own.
[[nodiscard]] std::int32_t unkeptStatus(std::uint8_t command);

} // namespace kov450
