#include "emulator/model/Reader.h"

#include "emulator/model/PayloadLength.h"

#include "protocol/Bytes.h"
#include "protocol/Command.h"

#include <MF_API.h>

#include <algorithm>

namespace kov450 {

using protocol::Command;

namespace {

bool isBit(std::uint8_t value) {
    return value == 0 || value == 1;
}

/// The answer to a change that could not be kept.
std::int32_t unkeptStatus(std::uint8_t command) {
    switch (static_cast<Command>(command)) {
    case Command::WriteBlocks:
    case Command::ValueOperation:
    case Command::Transfer:
        return MF_ERR_CARD_NO_ANSWER;
    default:
        return MF_ERR_ACCESS_DENIED;
    }
}

} // namespace

std::optional<protocol::Frame> Reader::handle(const protocol::Frame& request) {
    // Address 0 reaches the reader whatever its bus address; any other only when it matches.
    if (request.kind != protocol::FrameKind::Request ||
        (request.address != 0 && request.address != state_.address)) {
        return std::nullopt;
    }
    std::optional<Memento> before;
    if (keeper_ && mayChangeLastingState(request.command)) {
        before = memento();
    }
    Outcome outcome = dispatch(request.command, request.payload);
    if (before && outcome.status == MF_OK && !keeper_(request)) {
        // Acknowledged, the change would be gone at the next start.
        restore(*std::move(before));
        outcome = {unkeptStatus(request.command), {}};
    }
    if (outcome.status != MF_OK) {
        outcome.payload.clear();
    }
    protocol::Frame answer{protocol::FrameKind::Answer, state_.address, request.command,
                           outcome.status, std::move(outcome.payload)};
    if (observer_) {
        observer_(request, answer);
    }
    return answer;
}

Reader::Outcome Reader::dispatch(std::uint8_t command, std::span<const std::uint8_t> payload) {
    const auto fits = payloadLengthFits(command, payload);
    if (!fits) {
        return {MF_ERR_UNKNOWN_COMMAND, {}};
    }
    if (!*fits) {
        return {MF_ERR_BAD_PARAMETER, {}};
    }
    // From here on each command's payload has its length.
    if (command >= protocol::toByte(Command::Request)) {
        return cardCommand(command, payload);
    }
    return readerCommand(command, payload);
}

Reader::Outcome Reader::readerCommand(std::uint8_t command, std::span<const std::uint8_t> payload) {
    switch (static_cast<Command>(command)) {
    case Command::GetAddress:
        return {MF_OK, {state_.address}};
    case Command::SetAddress:
        state_.address = payload[0];
        return {MF_OK, {}};
    case Command::SetLineSpeed: {
        const std::uint32_t speed = protocol::readU32(payload);
        if (std::find(kReaderLineSpeeds.begin(), kReaderLineSpeeds.end(), speed) ==
            kReaderLineSpeeds.end()) {
            return {MF_ERR_BAD_PARAMETER, {}};
        }
        // The answer still goes out at the old speed: the host sends it before it reads this.
        state_.lineSpeed = speed;
        return {MF_OK, {}};
    }
    case Command::GetVersion: {
        const std::string& text = state_.version;
        const std::size_t length = std::min(text.size(), protocol::kMaxVersionText);
        return {MF_OK, std::vector<std::uint8_t>(
                           text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length))};
    }
    case Command::GetSerial:
        return {MF_OK, {state_.serialNumber.begin(), state_.serialNumber.end()}};
    case Command::SetSerial:
        // A shorter text fills the first bytes; the rest become zero bytes.
        state_.serialNumber.fill(0);
        std::copy(payload.begin(), payload.end(), state_.serialNumber.begin());
        return {MF_OK, {}};
    case Command::Reset:
        reset();
        return {MF_OK, {}};
    case Command::Buzzer: {
        const std::int16_t duration = protocol::readI16(payload);
        if (duration < 0) {
            return {MF_ERR_BAD_PARAMETER, {}};
        }
        state_.lastBuzzer = duration;
        ++state_.buzzerCount;
        return {MF_OK, {}};
    }
    case Command::Leds:
        if (!isBit(payload[0]) || !isBit(payload[1])) {
            return {MF_ERR_BAD_PARAMETER, {}};
        }
        state_.redLed = payload[0] == 1;
        state_.greenLed = payload[1] == 1;
        return {MF_OK, {}};
    case Command::RfField:
        if (!isBit(payload[0])) {
            return {MF_ERR_BAD_PARAMETER, {}};
        }
        if (payload[0] == 0) {
            fieldOff();
        }
        state_.rfOn = payload[0] == 1;
        return {MF_OK, {}};
    case Command::Wiegand:
        // Mode 0 is off (its format is ignored); mode 1 is on with the given frame format.
        if (!isBit(payload[0])) {
            return {MF_ERR_BAD_PARAMETER, {}};
        }
        state_.wiegandMode = payload[0];
        state_.wiegandFormat = payload[0] == 1 ? payload[1] : 0;
        return {MF_OK, {}};
    default:
        return {MF_ERR_UNKNOWN_COMMAND, {}};
    }
}

void Reader::fieldOff() {
    for (CardSlot& slot : cards_) {
        slot.card.powerOff();
    }
    // The reader still believes in its selected card, which no longer answers.
}

void Reader::reset() {
    fieldOff();
    selected_.reset();
    const ReaderState kept = state_;
    state_ = ReaderState{};
    state_.address = kept.address;
    state_.lineSpeed = kept.lineSpeed;
    state_.serialNumber = kept.serialNumber;
    state_.version = kept.version;
    state_.keyStore = kept.keyStore;
    state_.wiegandMode = kept.wiegandMode;
    state_.wiegandFormat = kept.wiegandFormat;
    state_.lastBuzzer = kept.lastBuzzer;
    state_.buzzerCount = kept.buzzerCount;
    state_.resetCount = kept.resetCount + 1;
}

void Reader::restore(Memento memento) {
    state_ = std::move(memento.state);
    cards_ = std::move(memento.cards);
    selected_ = memento.selected;
}

bool mayChangeLastingState(std::uint8_t command) {
    switch (static_cast<Command>(command)) {
    case Command::SetAddress:
    case Command::SetLineSpeed:
    case Command::SetSerial:
    case Command::StoreKey:
    case Command::Wiegand:
    case Command::WriteBlocks:
    case Command::ValueOperation:
    case Command::Transfer:
        return true;
    default:
        return false;
    }
}

std::size_t Reader::addCard(MifareClassic card) {
    cards_.push_back(CardSlot{std::move(card), false});
    return cards_.size() - 1;
}

std::optional<std::size_t> Reader::findCard(const Uid& uid) const {
    for (std::size_t index = 0; index < cards_.size(); ++index) {
        if (cards_[index].card.uid() == uid) {
            return index;
        }
    }
    return std::nullopt;
}

void Reader::present(std::size_t index) {
    CardSlot& slot = cards_.at(index);
    slot.card.powerOff();
    slot.inField = true;
}

void Reader::deleteCard(std::size_t index) {
    const CardSlot& slot = cards_.at(index);
    if (selected_ && slot.card.uid() == *selected_) {
        selected_.reset();
    }
    cards_.erase(cards_.begin() + static_cast<std::ptrdiff_t>(index));
}

void Reader::remove(std::size_t index) {
    CardSlot& slot = cards_.at(index);
    slot.card.powerOff();
    slot.inField = false;
}

} // namespace kov450
