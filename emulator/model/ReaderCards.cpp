// The card commands of the reader: the ISO/IEC 14443-3 steps and the MIFARE memory operations,
// passed on to the card in the field that they concern.
#include "emulator/model/Reader.h"

#include "protocol/Bytes.h"
#include "protocol/Command.h"

#include <MF_API.h>

#include <algorithm>

namespace kov450 {

using protocol::Command;

namespace {

Uid uidFrom(std::span<const std::uint8_t> bytes) {
    Uid uid{};
    std::copy_n(bytes.begin(), uid.size(), uid.begin());
    return uid;
}

std::optional<KeyType> keyTypeFrom(std::uint8_t code) {
    if (code == 0) {
        return KeyType::B;
    }
    if (code == 1) {
        return KeyType::A;
    }
    return std::nullopt;
}

} // namespace

std::variant<MifareClassic*, std::int32_t> Reader::selectedCard() {
    if (!selected_) {
        return MF_ERR_NOT_SELECTED;
    }
    for (CardSlot& slot : cards_) {
        if (slot.inField && state_.rfOn && slot.card.uid() == *selected_ &&
            slot.card.state() == CardState::Active) {
            return &slot.card;
        }
    }
    // It was selected and no longer answers: taken away, field switched off, or halted.
    return MF_ERR_CARD_NO_ANSWER;
}

Reader::Outcome Reader::cardCommand(std::uint8_t command, std::span<const std::uint8_t> payload) {
    switch (static_cast<Command>(command)) {
    case Command::Request:
        return request(payload);
    case Command::Anticollision:
        return anticollision();
    case Command::Select:
        return select(payload);
    case Command::Halt: {
        auto card = selectedCard();
        selected_.reset();
        if (auto* status = std::get_if<std::int32_t>(&card)) {
            return {*status, {}};
        }
        std::get<MifareClassic*>(card)->halt();
        return {MF_OK, {}};
    }
    case Command::LoadKey:
        std::copy(payload.begin(), payload.end(), state_.currentKey.begin());
        return {MF_OK, {}};
    case Command::LoadStoredKey: {
        if (!keyTypeFrom(payload[0]) || payload[1] >= protocol::kKeySlots) {
            return {MF_ERR_BAD_PARAMETER, {}};
        }
        state_.currentKey = state_.keyStore[payload[0]][payload[1]];
        return {MF_OK, {}};
    }
    case Command::StoreKey: {
        if (!keyTypeFrom(payload[0]) || payload[1] >= protocol::kKeySlots) {
            return {MF_ERR_BAD_PARAMETER, {}};
        }
        Key& slot = state_.keyStore[payload[0]][payload[1]];
        std::copy(payload.begin() + 2, payload.end(), slot.begin());
        return {MF_OK, {}};
    }
    case Command::Authenticate:
        return authenticate(payload);
    default:
        break;
    }

    // Memory operations on the selected card; dispatch let no other command through.
    auto selected = selectedCard();
    if (auto* status = std::get_if<std::int32_t>(&selected)) {
        return {*status, {}};
    }
    MifareClassic& card = *std::get<MifareClassic*>(selected);
    switch (static_cast<Command>(command)) {
    case Command::ReadBlocks: {
        std::vector<std::uint8_t> data;
        const std::int32_t status = card.read(payload[0], payload[1], data);
        return {status, std::move(data)};
    }
    case Command::WriteBlocks:
        return {card.write(payload[0], payload[1], payload.subspan(2)), {}};
    case Command::ValueOperation: {
        if (payload[0] < 1 || payload[0] > 3) {
            return {MF_ERR_BAD_PARAMETER, {}};
        }
        const auto operation = static_cast<ValueOperation>(payload[0]);
        return {card.valueOperation(operation, payload[1], protocol::readI32(payload.subspan(2))),
                {}};
    }
    default: // Transfer
        return {card.transfer(payload[0]), {}};
    }
}

Reader::Outcome Reader::request(std::span<const std::uint8_t> payload) {
    if (payload[0] > 1) {
        return {MF_ERR_BAD_PARAMETER, {}};
    }
    selected_.reset();
    if (!state_.rfOn) {
        return {MF_ERR_NO_CARD, {}};
    }
    // Mode 0 sends REQA (idle cards only), mode 1 WUPA (halted ones too). Every card that
    // answers becomes Ready; the first of them gives the answer.
    const bool wakeHalted = payload[0] == 1;
    std::optional<Outcome> answer;
    for (CardSlot& slot : cards_) {
        if (slot.inField && slot.card.wake(wakeHalted) && !answer) {
            const auto atqa = slot.card.atqa();
            answer = Outcome{MF_OK, {atqa[0], atqa[1], slot.card.sak()}};
        }
    }
    return answer.value_or(Outcome{MF_ERR_NO_CARD, {}});
}

Reader::Outcome Reader::anticollision() {
    if (state_.rfOn) {
        for (const CardSlot& slot : cards_) {
            if (slot.inField && slot.card.state() == CardState::Ready) {
                const Uid uid = slot.card.uid();
                return {MF_OK, {uid.begin(), uid.end()}};
            }
        }
    }
    return {MF_ERR_NO_CARD, {}};
}

Reader::Outcome Reader::select(std::span<const std::uint8_t> payload) {
    const Uid uid = uidFrom(payload);
    // A select ends the previous card's session, and with it its authentication.
    for (CardSlot& slot : cards_) {
        if (slot.card.state() == CardState::Active) {
            slot.card.deselect();
        }
    }
    selected_.reset();
    if (!state_.rfOn) {
        return {MF_ERR_NOT_SELECTED, {}};
    }
    for (CardSlot& slot : cards_) {
        if (slot.inField && slot.card.uid() == uid && slot.card.select()) {
            selected_ = uid;
            return {MF_OK, {}};
        }
    }
    return {MF_ERR_NOT_SELECTED, {}};
}

Reader::Outcome Reader::authenticate(std::span<const std::uint8_t> payload) {
    const auto type = keyTypeFrom(payload[0]);
    if (!type) {
        return {MF_ERR_BAD_PARAMETER, {}};
    }
    auto selected = selectedCard();
    if (auto* status = std::get_if<std::int32_t>(&selected)) {
        return {*status, {}};
    }
    MifareClassic& card = *std::get<MifareClassic*>(selected);
    if (card.uid() != uidFrom(payload.subspan(2))) {
        return {MF_ERR_NOT_SELECTED, {}};
    }
    const std::int32_t status = card.authenticate(*type, payload[1], state_.currentKey);
    if (card.state() != CardState::Active) {
        selected_.reset();
    }
    return {status, {}};
}

} // namespace kov450
