#pragma once

#include "emulator/model/MifareClassic.h"
#include "emulator/model/ReaderState.h"
#include "protocol/Frame.h"

#include <cstdint>
#include <functional>
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

/// The emulated reader: a pure state machine from a request frame to its answer. No I/O, no
/// clock; a host feeds it frames and shows its state.
class Reader {
public:
    /// Told of each request this reader answered, with its answer, after the change it made:
    /// hosts trace frames and save the lasting state from here, before the answer leaves.
    using FrameObserver =
        std::function<void(const protocol::Frame& request, const protocol::Frame& answer)>;

    void setFrameObserver(FrameObserver observer) { observer_ = std::move(observer); }

    /// Makes a change to what lasts durable before it is answered (hosts save the state
    /// folder). Told of each request that changed what may last and succeeded; false when the
    /// change could not be kept. The reader then undoes the request, as if it had never come,
    /// and answers 2 for a card's memory (as a write that lost power) or 5 for a setting of its
    /// own.
    using Keeper = std::function<bool(const protocol::Frame& request)>;

    void setKeeper(Keeper keeper) { keeper_ = std::move(keeper); }

    /// The answer to a request, or nothing when the request is addressed to another reader.
    std::optional<protocol::Frame> handle(const protocol::Frame& request);

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
    struct Outcome {
        std::int32_t status;
        std::vector<std::uint8_t> payload;
    };
    Outcome dispatch(std::uint8_t command, std::span<const std::uint8_t> payload);
    Outcome readerCommand(std::uint8_t command, std::span<const std::uint8_t> payload);
    Outcome cardCommand(std::uint8_t command, std::span<const std::uint8_t> payload);
    Outcome request(std::span<const std::uint8_t> payload);
    Outcome anticollision();
    Outcome select(std::span<const std::uint8_t> payload);
    Outcome authenticate(std::span<const std::uint8_t> payload);
    /// The selected card, or the status that says why there is none.
    std::variant<MifareClassic*, std::int32_t> selectedCard();
    void fieldOff();
    void reset();

    ReaderState state_;
    std::vector<CardSlot> cards_;
    std::optional<Uid> selected_;
    FrameObserver observer_;
    Keeper keeper_;
};

/// Whether a request with this command id, answered with success, may have changed what lasts:
/// the reader's EEPROM settings, a card's memory. Others need no save.
bool mayChangeLastingState(std::uint8_t command);

} // namespace kov450
