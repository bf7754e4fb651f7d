// libFuzzer target: the emulator as a PC/SC card. The input is what vpcd sends (messages of a
// 2-byte length and their bytes), handled as the vpcd link does: a 1-byte message is a control
// code, any other a command APDU for the responder, against a reader model with a default card
// in the field. Every answer ends in a status word, carries data only with 90 00 (or the UID
// with 62 82, to a Get Data whose Le is longer) and no more than four blocks of it, and what an
// Update Binary acknowledges is what the card then holds.
#include "emulator/model/Reader.h"
#include "emulator/pcsc/ApduResponder.h"
#include "emulator/pcsc/VpcdFraming.h"
#include "fuzz/Require.h"
#include "mifare/StorageCardAtr.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

namespace {

using kov450::pcsc::ApduResponder;

constexpr std::size_t kBlock = 16;
constexpr std::size_t kLongestAnswer = 4 * kBlock + 2;

using fuzzing::require;

/// The answer must reach vpcd as it is.
void mustFrame(std::span<const std::uint8_t> answer) {
    kov450::pcsc::VpcdDecoder decoder;
    const auto decoded = decoder.feed(kov450::pcsc::vpcdMessage(answer));
    require(!decoded.overlong && decoded.messages.size() == 1 &&
            std::equal(answer.begin(), answer.end(), decoded.messages[0].begin(),
                       decoded.messages[0].end()));
}

/// How many data bytes a successful answer to the APDU carries.
std::size_t dataLengthOf(std::span<const std::uint8_t> apdu) {
    switch (apdu[1]) {
    case 0xCA:
        return 4;
    case 0xB0:
        return apdu[4] == 0 ? kBlock : apdu[4];
    default:
        return 0;
    }
}

void checkAnswer(const kov450::MifareClassic& card, std::span<const std::uint8_t> apdu,
                 const ApduResponder::Answer& answer) {
    const std::vector<std::uint8_t>& bytes = answer.bytes;
    require(bytes.size() >= 2 && bytes.size() <= kLongestAnswer);
    mustFrame(bytes);
    const bool ok = bytes[bytes.size() - 2] == 0x90 && bytes[bytes.size() - 1] == 0x00;
    if (!ok) {
        require(!answer.memoryChanged);
        const bool endReached = bytes[bytes.size() - 2] == 0x62 && bytes[bytes.size() - 1] == 0x82;
        if (endReached && bytes.size() > 2) {
            // The UID, to a Get Data that asked for more.
            const kov450::Uid uid = card.uid();
            require(apdu.size() == 5 && apdu[1] == 0xCA && apdu[4] > uid.size() &&
                    bytes.size() == uid.size() + 2 &&
                    std::equal(uid.begin(), uid.end(), bytes.begin()));
            return;
        }
        require(bytes.size() == 2);
        return;
    }
    // Only a well-formed storage-card command succeeds.
    require(apdu.size() >= 4 && apdu[0] == 0xFF);
    const std::size_t data = bytes.size() - 2;
    require(data == dataLengthOf(apdu));
    if (apdu[1] == 0xCA) {
        const kov450::Uid uid = card.uid();
        require(std::equal(uid.begin(), uid.end(), bytes.begin()));
    }
    require(answer.memoryChanged == (apdu[1] == 0xD6));
    if (answer.memoryChanged) {
        // Data blocks hold what was written; a trailer takes only what its conditions allow.
        const std::size_t first = apdu[3];
        for (std::size_t block = first; block < first + apdu[4] / kBlock; ++block) {
            if (!kov450::isTrailer(block)) {
                const auto written = apdu.subspan(5 + (block - first) * kBlock, kBlock);
                require(std::equal(written.begin(), written.end(), card.block(block).begin()));
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kov450::Reader reader;
    const std::size_t index = reader.addCard(kov450::MifareClassic::makeDefault(
        kov450::CardKind::Classic1K, kov450::Uid{0xA1, 0xB2, 0xC3, 0xD4}, 50));
    reader.present(index);
    kov450::MifareClassic& card = reader.card(index);
    const kov450::Block manufacturer = card.block(0);

    kov450::pcsc::VpcdDecoder decoder;
    const auto decoded = decoder.feed(std::span(data, size));
    ApduResponder responder;
    for (const std::vector<std::uint8_t>& message : decoded.messages) {
        require(message.size() <= kov450::pcsc::kLongestVpcdMessage);
        if (message.size() == 1) {
            switch (static_cast<kov450::pcsc::VpcdControl>(message[0])) {
            case kov450::pcsc::VpcdControl::PowerOn:
            case kov450::pcsc::VpcdControl::Reset:
                ApduResponder::powerOn(card);
                break;
            case kov450::pcsc::VpcdControl::PowerOff:
                ApduResponder::powerOff(card);
                break;
            case kov450::pcsc::VpcdControl::Atr:
                mustFrame(mifare::storageCardAtr(card.kind()));
                break;
            }
            continue;
        }
        checkAnswer(card, message, responder.respond(card, message));
    }
    require(card.block(0) == manufacturer); // block 0 never changes
    return 0;
}
