#include "emulator/model/Reader.h"

#include "emulator/model/ReaderOutcome.h"

#include <algorithm>

namespace kov450 {

using protocol::Command;

namespace {

bool isBit(std::uint8_t value) {
    return value == 0 || value == 1;
}

} // namespace

std::int32_t unkeptStatus(std::uint8_t command) {
    switch (static_cast<Command>(command)) {
    case Command::WriteBlocks:
    case Command::ValueOperation:
    case Command::Transfer:
        return status::kCardNoAnswer;
    default:
        return status::kAccessDenied;
    }
}

std::optional<protocol::Frame> Reader::handle(const protocol::Frame& request) {
    // Address 0 reaches the reader whatever its bus address; any other only when it matches.
    if (request.kind != protocol::FrameKind::Request ||
        (request.address != 0 && request.address != state_.address)) {
        return std::nullopt;
    }
    Outcome outcome = dispatch(request.command, request.payload);
    if (outcome.status != status::kOk) {
        outcome.payload.clear();
    }
    return protocol::Frame{protocol::FrameKind::Answer, state_.address, request.command,
                           outcome.status, std::move(outcome.payload)};
}

Reader::Outcome Reader::dispatch(std::uint8_t command, std::span<const std::uint8_t> payload) {
    const auto outcome = protocol::visitCommand(command, [&](auto tag) {
        // Read in the command's layout before anything else, so that a short or long payload
        // is never taken for arguments.
        const auto request = protocol::decode<protocol::RequestOf<tag.value>>(payload);
        return request ? on(tag, *request) : Outcome{status::kBadParameter, {}};
    });
    return outcome.value_or(Outcome{status::kUnknownCommand, {}});
}

Reader::Outcome Reader::on(Tag<Command::GetAddress>, const protocol::Empty&) {
    return answer(protocol::Address{state_.address});
}

Reader::Outcome Reader::on(Tag<Command::SetAddress>, const protocol::Address& request) {
    state_.address = request.address;
    return done();
}

Reader::Outcome Reader::on(Tag<Command::SetLineSpeed>, const protocol::LineSpeed& request) {
    if (std::find(kReaderLineSpeeds.begin(), kReaderLineSpeeds.end(), request.bitsPerSecond) ==
        kReaderLineSpeeds.end()) {
        return statusOnly(status::kBadParameter);
    }
    // The answer still goes out at the old speed: the host sends it before it reads this.
    state_.lineSpeed = request.bitsPerSecond;
    return done();
}

Reader::Outcome Reader::on(Tag<Command::GetVersion>, const protocol::Empty&) {
    return answer(protocol::VersionText{state_.version.substr(0, protocol::kMaxVersionText)});
}

Reader::Outcome Reader::on(Tag<Command::GetSerial>, const protocol::Empty&) {
    return answer(protocol::SerialNumber{state_.serialNumber});
}

Reader::Outcome Reader::on(Tag<Command::SetSerial>, const protocol::SerialText& request) {
    // A shorter text fills the first bytes; the rest become zero bytes.
    state_.serialNumber.fill(0);
    std::copy(request.bytes.begin(), request.bytes.end(), state_.serialNumber.begin());
    return done();
}

Reader::Outcome Reader::on(Tag<Command::Reset>, const protocol::Empty&) {
    reset();
    return done();
}

Reader::Outcome Reader::on(Tag<Command::Buzzer>, const protocol::Buzzer& request) {
    if (request.duration < 0) {
        return statusOnly(status::kBadParameter);
    }
    state_.lastBuzzer = request.duration;
    ++state_.buzzerCount;
    return done();
}

Reader::Outcome Reader::on(Tag<Command::Leds>, const protocol::Leds& request) {
    if (!isBit(request.red) || !isBit(request.green)) {
        return statusOnly(status::kBadParameter);
    }
    state_.redLed = request.red == 1;
    state_.greenLed = request.green == 1;
    return done();
}

Reader::Outcome Reader::on(Tag<Command::RfField>, const protocol::RfField& request) {
    if (!isBit(request.on)) {
        return statusOnly(status::kBadParameter);
    }
    if (request.on == 0) {
        fieldOff();
    }
    state_.rfOn = request.on == 1;
    return done();
}

Reader::Outcome Reader::on(Tag<Command::Wiegand>, const protocol::WiegandMode& request) {
    // Mode 0 is off (its format is ignored); mode 1 is on with the given frame format.
    if (!isBit(request.mode)) {
        return statusOnly(status::kBadParameter);
    }
    state_.wiegandMode = request.mode;
    state_.wiegandFormat = request.mode == 1 ? request.format : 0;
    return done();
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
