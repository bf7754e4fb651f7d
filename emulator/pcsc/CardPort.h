#pragma once

#include "emulator/model/MifareClassic.h"

#include <cstdint>
#include <span>
#include <vector>

namespace kov450::pcsc {

/// Where the link to vpcd hands what vpcd asks of the card it serves: the reader's one way in
/// (ReaderSession), which applies it and keeps what lasts before the answer goes back.
class CardPort {
public:
    virtual ~CardPort() = default;
    /// vpcd powered the card on (or reset it), or off.
    virtual void power(const Uid& card, bool on) = 0;
    /// The card's answer to an APDU: response data and status word.
    [[nodiscard]] virtual std::vector<std::uint8_t> command(const Uid& card,
                                                            std::span<const std::uint8_t> apdu) = 0;
};

} // namespace kov450::pcsc
