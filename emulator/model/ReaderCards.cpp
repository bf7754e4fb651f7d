// The card commands of the reader: the ISO/IEC 14443-3 steps and the MIFARE memory operations,
// passed on to the card in the field that they concern.
#include "emulator/model/Reader.h"

#include "emulator/model/ReaderOutcome.h"

#include <algorithm>

namespace kov450 {

std::variant<MifareClassic*, std::int32_t> Reader::selectedCard() {
    if (!selected_) {
        return status::kNotSelected;
    }
    for (CardSlot& slot : cards_) {
        if (slot.inField && state_.rfOn && slot.card.uid() == *selected_ &&
            slot.card.state() == CardState::Active) {
            return &slot.card;
        }
    }
    // It was selected and no longer answers: taken away, field switched off, or halted.
    return status::kCardNoAnswer;
}

namespace {

/// Runs `work` on the selected card, or gives the status that says why there is none.
template <typename Work>
CommandOutcome withSelectedCard(std::variant<MifareClassic*, std::int32_t> selected, Work work) {
    if (auto* code = std::get_if<std::int32_t>(&selected)) {
        return statusOnly(*code);
    }
    return work(*std::get<MifareClassic*>(selected));
}

} // namespace

Reader::Outcome Reader::on(Tag<Command::Request>, const protocol::CardRequest& request) {
    if (!protocol::isKnown(request.mode)) {
        return statusOnly(status::kBadParameter);
    }
    selected_.reset();
    if (!state_.rfOn) {
        return statusOnly(status::kNoCard);
    }
    // REQA wakes idle cards only, WUPA halted ones too. Every card that answers becomes Ready;
    // the first of them gives the answer.
    const bool wakeHalted = request.mode == protocol::RequestMode::All;
    std::optional<Outcome> first;
    for (CardSlot& slot : cards_) {
        if (slot.inField && slot.card.wake(wakeHalted) && !first) {
            const auto atqa = slot.card.atqa();
            first = answer(protocol::CardType{{atqa[0], atqa[1], slot.card.sak()}});
        }
    }
    return first.value_or(statusOnly(status::kNoCard));
}

Reader::Outcome Reader::on(Tag<Command::Anticollision>, const protocol::Empty&) {
    if (state_.rfOn) {
        for (const CardSlot& slot : cards_) {
            if (slot.inField && slot.card.state() == CardState::Ready) {
                return answer(protocol::CardUid{slot.card.uid()});
            }
        }
    }
    return statusOnly(status::kNoCard);
}

Reader::Outcome Reader::on(Tag<Command::Select>, const protocol::CardUid& request) {
    // A select ends the previous card's session, and with it its authentication.
    for (CardSlot& slot : cards_) {
        if (slot.card.state() == CardState::Active) {
            slot.card.deselect();
        }
    }
    selected_.reset();
    if (!state_.rfOn) {
        return statusOnly(status::kNotSelected);
    }
    for (CardSlot& slot : cards_) {
        if (slot.inField && slot.card.uid() == request.uid && slot.card.select()) {
            selected_ = request.uid;
            return done();
        }
    }
    return statusOnly(status::kNotSelected);
}

Reader::Outcome Reader::on(Tag<Command::Halt>, const protocol::Empty&) {
    auto card = selectedCard();
    selected_.reset();
    return withSelectedCard(card, [](MifareClassic& selected) {
        selected.halt();
        return done();
    });
}

Reader::Outcome Reader::on(Tag<Command::LoadKey>, const protocol::CardKey& request) {
    state_.currentKey = request.key;
    return done();
}

Reader::Outcome Reader::on(Tag<Command::LoadStoredKey>, const protocol::KeySlot& request) {
    if (!protocol::isKnown(request.keyType) || request.slot >= protocol::kKeySlots) {
        return statusOnly(status::kBadParameter);
    }
    state_.currentKey = state_.keyStore[protocol::toByte(request.keyType)][request.slot];
    return done();
}

Reader::Outcome Reader::on(Tag<Command::StoreKey>, const protocol::StoredKey& request) {
    if (!protocol::isKnown(request.keyType) || request.slot >= protocol::kKeySlots) {
        return statusOnly(status::kBadParameter);
    }
    state_.keyStore[protocol::toByte(request.keyType)][request.slot] = request.key;
    return done();
}

Reader::Outcome Reader::on(Tag<Command::Authenticate>, const protocol::Authentication& request) {
    if (!protocol::isKnown(request.keyType)) {
        return statusOnly(status::kBadParameter);
    }
    return withSelectedCard(selectedCard(), [&](MifareClassic& card) {
        if (card.uid() != request.uid) {
            return statusOnly(status::kNotSelected);
        }
        return followCard(
            card, statusOnly(card.authenticate(request.keyType, request.block, state_.currentKey)));
    });
}

Reader::Outcome Reader::on(Tag<Command::ReadBlocks>, const protocol::BlockRange& request) {
    return withSelectedCard(selectedCard(), [&](MifareClassic& card) {
        std::vector<std::uint8_t> data;
        const std::int32_t code = card.read(request.block, request.count, data);
        return followCard(card, Outcome{code, std::move(data)});
    });
}

Reader::Outcome Reader::on(Tag<Command::WriteBlocks>, const protocol::BlockWrite& request) {
    return withSelectedCard(selectedCard(), [&](MifareClassic& card) {
        return followCard(card, statusOnly(card.write(request.block, request.count, request.data)));
    });
}

Reader::Outcome Reader::on(Tag<Command::ValueOperation>, const protocol::ValueRequest& request) {
    return withSelectedCard(selectedCard(), [&](MifareClassic& card) {
        if (!protocol::isKnown(request.operation)) {
            return statusOnly(status::kBadParameter);
        }
        return followCard(card, statusOnly(card.valueOperation(request.operation, request.block,
                                                               request.operand)));
    });
}

Reader::Outcome Reader::on(Tag<Command::Transfer>, const protocol::TransferBlock& request) {
    return withSelectedCard(selectedCard(), [&](MifareClassic& card) {
        return followCard(card, statusOnly(card.transfer(request.block)));
    });
}

Reader::Outcome Reader::followCard(const MifareClassic& card, Outcome outcome) {
    // A card that refused the command (NAK) has left its session: the reader lets go of it, so
    // that the next command asks for a new request.
    if (card.state() != CardState::Active) {
        selected_.reset();
    }
    return outcome;
}

} // namespace kov450
