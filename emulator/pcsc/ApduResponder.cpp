#include "emulator/pcsc/ApduResponder.h"

#include "mifare/StatusWords.h"
#include "mifare/StorageCommands.h"
#include "protocol/Status.h"

#include <algorithm>

namespace kov450::pcsc {

namespace status = protocol::status;
using mifare::Instruction;
using mifare::StatusWord;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kBlock = mifare::kBlockSize;

ApduResponder::Answer word(StatusWord sw) {
    const auto bytes = mifare::bytesOf(sw);
    return {{bytes.begin(), bytes.end()}, false};
}

/// Data followed by a status word, of success unless another is given.
ApduResponder::Answer withWord(Bytes data, StatusWord sw = StatusWord::Success) {
    const auto bytes = mifare::bytesOf(sw);
    data.insert(data.end(), bytes.begin(), bytes.end());
    return {std::move(data), false};
}

ApduResponder::Answer withSuccess(Bytes data) {
    return withWord(std::move(data));
}

/// The status word that tells a PC/SC client what the card's model said.
ApduResponder::Answer wordOf(std::int32_t code) {
    switch (code) {
    case status::kOk:
        return word(StatusWord::Success);
    case status::kAuthFailed:
        return word(StatusWord::NoInformation);
    case status::kNotAuthenticated:
        return word(StatusWord::SecurityNotSatisfied);
    case status::kAccessDenied:
        return word(StatusWord::CommandNotAllowed);
    case status::kBadBlock:
        return word(StatusWord::NotFound);
    case status::kBadParameter:
        return word(StatusWord::WrongLength);
    default:
        return word(StatusWord::NoPreciseDiagnosis);
    }
}

} // namespace

void ApduResponder::powerOn(MifareClassic& card) {
    card.powerOff();
    card.wake(true);
    card.select();
}

void ApduResponder::powerOff(MifareClassic& card) {
    card.powerOff();
}

ApduResponder::Answer ApduResponder::respond(MifareClassic& card,
                                             std::span<const std::uint8_t> apdu) {
    using mifare::kLengthAt;
    using mifare::kP2At;
    // Class, instruction, P1 and P2 at least.
    if (apdu.size() < mifare::kLengthAt) {
        return word(StatusWord::WrongLength);
    }
    if (apdu[mifare::kClassAt] != mifare::kStorageCardClass) {
        return word(StatusWord::ClassNotSupported);
    }
    switch (static_cast<Instruction>(apdu[mifare::kInstructionAt])) {
    case Instruction::GetData:
        return getData(card, apdu);
    case Instruction::LoadKeys:
        return loadKey(apdu);
    case Instruction::GeneralAuthenticate: {
        // Data: version, block high, block low, key type, key number.
        const auto data = apdu.subspan(std::min(apdu.size(), mifare::kHeaderSize));
        if (apdu.size() != mifare::kHeaderSize + mifare::kAuthenticateDataSize ||
            apdu[kLengthAt] != mifare::kAuthenticateDataSize ||
            data[0] != mifare::kAuthenticateVersion) {
            return word(StatusWord::WrongLength);
        }
        if (data[1] != 0) {
            return word(StatusWord::NoInformation); // a block beyond any card
        }
        return authenticate(card, data[2], data[3], data[4]);
    }
    case Instruction::Authenticate:
        // The older form: P2 the block, then key type and key number in place of a length.
        if (apdu.size() != mifare::kHeaderSize + 1) {
            return word(StatusWord::WrongLength);
        }
        return authenticate(card, apdu[kP2At], apdu[kLengthAt], apdu[kLengthAt + 1]);
    case Instruction::ReadBinary:
        return readBinary(card, apdu);
    case Instruction::UpdateBinary:
        return updateBinary(card, apdu);
    default:
        return word(StatusWord::InstructionNotSupported);
    }
}

ApduResponder::Answer ApduResponder::getData(const MifareClassic& card,
                                             std::span<const std::uint8_t> apdu) const {
    if (apdu.size() > mifare::kHeaderSize) {
        return word(StatusWord::WrongLength);
    }
    if (apdu[mifare::kP1At] != mifare::kGetDataUid) {
        return word(StatusWord::FunctionNotSupported); // only the UID; no historical bytes here
    }
    if (apdu[mifare::kP2At] != 0x00) {
        return word(StatusWord::WrongParameters);
    }
    const Uid uid = card.uid();
    const auto size = static_cast<std::uint8_t>(uid.size());
    // Le 00 (or none) asks for the whole UID. A shorter Le is told the UID's length; a longer
    // one gets the UID with the warning that the data ended first.
    const std::uint8_t le = apdu.size() == mifare::kHeaderSize ? apdu[mifare::kLengthAt] : 0;
    if (le != 0 && le < size) {
        const auto wrong = mifare::wrongLe(size);
        return {{wrong.begin(), wrong.end()}, false};
    }
    return withWord({uid.begin(), uid.end()},
                    le > size ? StatusWord::EndReached : StatusWord::Success);
}

ApduResponder::Answer ApduResponder::loadKey(std::span<const std::uint8_t> apdu) {
    if (apdu.size() < mifare::kHeaderSize ||
        apdu.size() != mifare::kHeaderSize + apdu[mifare::kLengthAt]) {
        return word(StatusWord::WrongLength);
    }
    // The key structure: a card key (not a reader key), sent plain, into volatile memory.
    const std::uint8_t structure = apdu[mifare::kP1At];
    if ((structure & mifare::kReaderKey) != 0) {
        return word(StatusWord::AuthenticationBlocked); // reader key not supported
    }
    if ((structure & mifare::kSecuredTransmission) != 0) {
        return word(StatusWord::ConditionsNotSatisfied); // secured transmission not supported
    }
    if ((structure & mifare::kNonVolatileKey) != 0) {
        return word(StatusWord::NonVolatileMemoryUnavailable); // the reader has none
    }
    if (structure != mifare::kVolatileKey) {
        return word(StatusWord::WrongParameters);
    }
    if (apdu[mifare::kLengthAt] != mifare::kKeySize) {
        return word(StatusWord::KeyLengthIncorrect);
    }
    const std::uint8_t number = apdu[mifare::kP2At];
    if (number >= volatileKeys_.size()) {
        return word(StatusWord::KeyNumberInvalid);
    }
    const auto key = apdu.subspan(mifare::kHeaderSize, mifare::kKeySize);
    std::copy(key.begin(), key.end(), volatileKeys_[number].begin());
    return word(StatusWord::Success);
}

ApduResponder::Answer ApduResponder::authenticate(MifareClassic& card, std::uint8_t block,
                                                  std::uint8_t keyType,
                                                  std::uint8_t keyNumber) const {
    if (keyType != mifare::kKeyTypeA && keyType != mifare::kKeyTypeB) {
        return word(StatusWord::CommandNotAllowed);
    }
    if (keyNumber >= volatileKeys_.size()) {
        return word(StatusWord::KeyNumberInvalid);
    }
    // A refused card falls back to idle; the reader wakes it for the next attempt.
    if (card.state() != CardState::Active) {
        powerOn(card);
    }
    const std::int32_t code = card.authenticate(
        keyType == mifare::kKeyTypeA ? KeyType::A : KeyType::B, block, volatileKeys_[keyNumber]);
    // General Authenticate has no word for a block the card lacks: no authentication was done.
    return code == status::kBadBlock ? word(StatusWord::NoInformation) : wordOf(code);
}

ApduResponder::Answer ApduResponder::readBinary(MifareClassic& card,
                                                std::span<const std::uint8_t> apdu) const {
    if (apdu.size() != mifare::kHeaderSize) {
        return word(StatusWord::WrongLength);
    }
    if (apdu[mifare::kP1At] != 0x00) {
        return word(StatusWord::NotFound);
    }
    // Le 00 or 10 is one block; 20, 30 or 40 are two to four.
    const std::uint8_t le = apdu[mifare::kLengthAt];
    const std::size_t length = le == 0 ? kBlock : le;
    if (length % kBlock != 0 || length > 4 * kBlock) {
        return word(StatusWord::WrongLength);
    }
    Bytes data;
    const std::int32_t code = card.read(apdu[mifare::kP2At], length / kBlock, data);
    if (code != status::kOk) {
        return wordOf(code);
    }
    return withSuccess(std::move(data));
}

ApduResponder::Answer ApduResponder::updateBinary(MifareClassic& card,
                                                  std::span<const std::uint8_t> apdu) const {
    if (apdu.size() < mifare::kHeaderSize) {
        return word(StatusWord::WrongLength);
    }
    const std::uint8_t lc = apdu[mifare::kLengthAt];
    if (apdu.size() != mifare::kHeaderSize + lc || lc == 0 || lc % kBlock != 0 || lc > 4 * kBlock) {
        return word(StatusWord::WrongLength);
    }
    if (apdu[mifare::kP1At] != 0x00) {
        return word(StatusWord::NotFound);
    }
    const std::int32_t code =
        card.write(apdu[mifare::kP2At], lc / kBlock, apdu.subspan(mifare::kHeaderSize));
    Answer answer = wordOf(code);
    answer.memoryChanged = code == status::kOk;
    return answer;
}

} // namespace kov450::pcsc
