#include "mf_api/pcsc/CardAtr.h"

#include "mifare/Sectors.h"
#include "mifare/StorageCardAtr.h"

namespace mfapi::pcsc {

std::optional<protocol::CardTypeBytes> cardTypeFromAtr(std::span<const std::uint8_t> atr) {
    switch (mifare::storageCardName(atr).value_or(0)) {
    case mifare::kClassic1KName:
        return protocol::CardTypeBytes{0x04, 0x00, 0x08};
    case mifare::kClassic4KName:
        return protocol::CardTypeBytes{0x02, 0x00, 0x18};
    case mifare::kMiniName:
        return protocol::CardTypeBytes{0x04, 0x00, 0x09};
    default:
        return std::nullopt;
    }
}

std::size_t blockCountFromAtr(std::span<const std::uint8_t> atr) {
    switch (mifare::storageCardName(atr).value_or(0)) {
    case mifare::kClassic1KName:
        return mifare::blockCountOf(mifare::CardKind::Classic1K);
    case mifare::kMiniName:
        return 20;
    default:
        return mifare::blockCountOf(mifare::CardKind::Classic4K);
    }
}

} // namespace mfapi::pcsc
