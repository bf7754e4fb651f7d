#include "emulator/pcsc/StorageCardAtr.h"

namespace kov450::pcsc {

std::vector<std::uint8_t> storageCardAtr(CardKind kind) {
    const std::uint8_t name = kind == CardKind::Classic1K ? 0x01 : 0x02;
    std::vector<std::uint8_t> atr{0x3B, 0x8F, 0x80, 0x01, 0x80, 0x4F, 0x0C, 0xA0, 0x00, 0x00,
                                  0x03, 0x06, 0x03, 0x00, name, 0x00, 0x00, 0x00, 0x00};
    // The check byte makes the exclusive-or of every byte after TS zero.
    std::uint8_t check = 0;
    for (std::size_t at = 1; at < atr.size(); ++at) {
        check ^= atr[at];
    }
    atr.push_back(check);
    return atr;
}

} // namespace kov450::pcsc
