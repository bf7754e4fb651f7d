#pragma once

#include "emulator/model/MifareClassic.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace kov450::pcsc {

/// A PC/SC contactless reader's answers to the storage-card commands of the PC/SC standard for
/// the MIFARE Classic card in its field: Get Data (FF CA, the UID), Load Keys (FF 82, into the
/// two volatile key locations 00 and 01; no non-volatile key memory), General Authenticate
/// (FF 86, and the older FF 88), Read Binary (FF B0) and Update Binary (FF D6) of whole
/// blocks, each with the status words the standard gives that command (docs/pcsc.md). The
/// card's model judges keys, access conditions and blocks. Pure: no I/O.
class ApduResponder {
public:
    struct Answer {
        std::vector<std::uint8_t> bytes; ///< Response data and status word.
        bool memoryChanged = false;      ///< The card's memory was written.
    };

    /// The card is powered (or reset): it answers as a selected card, authenticated nowhere.
    static void powerOn(MifareClassic& card);
    static void powerOff(MifareClassic& card);

    [[nodiscard]] Answer respond(MifareClassic& card, std::span<const std::uint8_t> apdu);

private:
    Answer getData(const MifareClassic& card, std::span<const std::uint8_t> apdu) const;
    Answer loadKey(std::span<const std::uint8_t> apdu);
    Answer authenticate(MifareClassic& card, std::uint8_t block, std::uint8_t keyType,
                        std::uint8_t keyNumber) const;
    Answer readBinary(MifareClassic& card, std::span<const std::uint8_t> apdu) const;
    Answer updateBinary(MifareClassic& card, std::span<const std::uint8_t> apdu) const;

    std::array<Key, 2> volatileKeys_{kDefaultKey, kDefaultKey};
};

} // namespace kov450::pcsc
