#include "emulator/pcsc/ApduResponder.h"

#include "protocol/Status.h"

#include <algorithm>

namespace kov450::pcsc {

namespace status = protocol::status;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kBlock = 16;

ApduResponder::Answer word(std::uint16_t sw) {
    return {{static_cast<std::uint8_t>(sw >> 8), static_cast<std::uint8_t>(sw & 0xFF)}, false};
}

/// The status word that tells a PC/SC client what the card's model said.
ApduResponder::Answer wordOf(std::int32_t code) {
    switch (code) {
    case status::kOk:
        return word(0x9000);
    case status::kAuthFailed:
        return word(0x6300);
    case status::kNotAuthenticated:
        return word(0x6982); // security status not satisfied
    case status::kAccessDenied:
        return word(0x6986); // command not allowed
    case status::kBadBlock:
        return word(0x6A82);
    case status::kBadParameter:
        return word(0x6700);
    default:
        return word(0x6F00);
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
    if (apdu.size() < 4) {
        return word(0x6700);
    }
    if (apdu[0] != 0xFF) {
        return word(0x6E00);
    }
    switch (apdu[1]) {
    case 0xCA:
        return getData(card, apdu);
    case 0x82:
        return loadKey(apdu);
    case 0x86:
        // Data: version 01, block high, block low, key type, key number.
        if (apdu.size() != 10 || apdu[4] != 5 || apdu[5] != 0x01) {
            return word(0x6700);
        }
        if (apdu[6] != 0) {
            return word(0x6A82);
        }
        return authenticate(card, apdu[7], apdu[8], apdu[9]);
    case 0x88:
        // The older form: P2 the block, then key type and key number in place of a length.
        if (apdu.size() != 6) {
            return word(0x6700);
        }
        return authenticate(card, apdu[3], apdu[4], apdu[5]);
    case 0xB0:
        return readBinary(card, apdu);
    case 0xD6:
        return updateBinary(card, apdu);
    default:
        return word(0x6D00);
    }
}

ApduResponder::Answer ApduResponder::getData(const MifareClassic& card,
                                             std::span<const std::uint8_t> apdu) const {
    if (apdu[2] != 0x00) {
        return word(0x6A81); // only the UID; no historical bytes here
    }
    const Uid uid = card.uid();
    Answer answer{{uid.begin(), uid.end()}, false};
    answer.bytes.insert(answer.bytes.end(), {0x90, 0x00});
    return answer;
}

ApduResponder::Answer ApduResponder::loadKey(std::span<const std::uint8_t> apdu) {
    if (apdu.size() != 11 || apdu[4] != 6) {
        return word(0x6700);
    }
    if (apdu[2] != 0x00) {
        return word(0x6986); // no non-volatile key memory
    }
    if (apdu[3] >= volatileKeys_.size()) {
        return word(0x6988);
    }
    std::copy_n(apdu.begin() + 5, 6, volatileKeys_[apdu[3]].begin());
    return word(0x9000);
}

ApduResponder::Answer ApduResponder::authenticate(MifareClassic& card, std::uint8_t block,
                                                  std::uint8_t keyType,
                                                  std::uint8_t keyNumber) const {
    if (keyType != 0x60 && keyType != 0x61) {
        return word(0x6986);
    }
    if (keyNumber >= volatileKeys_.size()) {
        return word(0x6988);
    }
    // A refused card falls back to idle; the reader wakes it for the next attempt.
    if (card.state() != CardState::Active) {
        powerOn(card);
    }
    return wordOf(card.authenticate(keyType == 0x60 ? KeyType::A : KeyType::B, block,
                                    volatileKeys_[keyNumber]));
}

ApduResponder::Answer ApduResponder::readBinary(MifareClassic& card,
                                                std::span<const std::uint8_t> apdu) const {
    if (apdu.size() != 5) {
        return word(0x6700);
    }
    if (apdu[2] != 0x00) {
        return word(0x6A82);
    }
    // Le 00 or 10 is one block; 20, 30 or 40 are two to four.
    const std::size_t length = apdu[4] == 0 ? kBlock : apdu[4];
    if (length % kBlock != 0 || length > 4 * kBlock) {
        return word(0x6700);
    }
    Bytes data;
    const std::int32_t code = card.read(apdu[3], length / kBlock, data);
    if (code != status::kOk) {
        return wordOf(code);
    }
    data.insert(data.end(), {0x90, 0x00});
    return {std::move(data), false};
}

ApduResponder::Answer ApduResponder::updateBinary(MifareClassic& card,
                                                  std::span<const std::uint8_t> apdu) const {
    if (apdu.size() < 5 || apdu.size() != 5U + apdu[4] || apdu[4] == 0 || apdu[4] % kBlock != 0 ||
        apdu[4] > 4 * kBlock) {
        return word(0x6700);
    }
    if (apdu[2] != 0x00) {
        return word(0x6A82);
    }
    const std::int32_t code = card.write(apdu[3], apdu[4] / kBlock, apdu.subspan(5));
    Answer answer = wordOf(code);
    answer.memoryChanged = code == status::kOk;
    return answer;
}

} // namespace kov450::pcsc
