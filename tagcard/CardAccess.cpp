#include "tagcard/CardAccess.h"

#include "binding/DeviceAddress.h"
#include "binding/MfApi.h"

#include <algorithm>

namespace tagcard {

namespace {
constexpr std::int32_t kLineSpeed = 9600;
constexpr std::size_t kMostBlocksPerCall = 4;
} // namespace

OpenPort::OpenPort(reader::MfApi& api, const std::string& port)
    : api_(api), status_(api.MF_InitComm(port.c_str(), kLineSpeed)) {
}

OpenPort::~OpenPort() {
    if (status_ == MF_OK) {
        static_cast<void>(api_.MF_ExitComm()); // nothing to do when closing fails
    }
}

std::string uidText(const Uid& uid) {
    return hexText(uid);
}

std::string typeText(const FoundCard& card) {
    if (card.kind) {
        return std::string(kindName(*card.kind));
    }
    return "ATQA " + hexText(std::span(card.type).first<2>()) + " SAK " +
           hexText(std::span(card.type).last<1>());
}

std::int32_t findCard(reader::MfApi& api, std::int32_t mode, FoundCard& card) {
    CardType type{};
    if (const std::int32_t status = api.MF_Request(reader::kDevice, mode, type.data());
        status != MF_OK) {
        return status;
    }
    Uid uid{};
    if (const std::int32_t status = api.MF_Anticoll(reader::kDevice, uid.data()); status != MF_OK) {
        return status;
    }
    card = FoundCard{uid, type, cardKindOf(type)};
    return MF_OK;
}

std::int32_t CardAccess::select() {
    openSector_.reset();
    const std::int32_t status = api_.MF_Select(reader::kDevice, card_.uid.data());
    asleep_ = status != MF_OK;
    return status;
}

std::int32_t CardAccess::wakeAgain() {
    // An idle card answers a request; one that a refusal halted answers only a wake-up, which
    // wakes other halted cards too, so that comes second.
    for (const std::int32_t mode : {MF_REQUEST_IDLE, MF_REQUEST_ALL}) {
        FoundCard found;
        if (findCard(api_, mode, found) == MF_OK && found.uid == card_.uid) {
            return select();
        }
    }
    return MF_ERR_CARD_NO_ANSWER;
}

std::int32_t CardAccess::open(int sector, const SectorKey& key) {
    if (openSector_ == sector && openKey_ == key) {
        return MF_OK;
    }
    if (asleep_) {
        if (const std::int32_t status = wakeAgain(); status != MF_OK) {
            return status;
        }
    }
    openSector_.reset();
    if (const std::int32_t status = api_.MF_LoadKey(reader::kDevice, key.bytes.data());
        status != MF_OK) {
        return status;
    }
    const std::int32_t status =
        api_.MF_Authentication(reader::kDevice, key.type, firstBlockOf(sector), card_.uid.data());
    if (status != MF_OK) {
        asleep_ = true;
        return status;
    }
    openSector_ = sector;
    openKey_ = key;
    return MF_OK;
}

std::int32_t CardAccess::read(int first, std::span<std::uint8_t> out, const SectorKey& key) {
    const int count = static_cast<int>(out.size() / kBlockSize);
    for (int block = first; block < first + count;) {
        const int sector = sectorOf(block);
        const int inCall = std::min({trailerOf(sector) + 1 - block, first + count - block,
                                     static_cast<int>(kMostBlocksPerCall)});
        if (const std::int32_t status = open(sector, key); status != MF_OK) {
            return status;
        }
        const std::int32_t status =
            api_.MF_Read(reader::kDevice, block, inCall,
                         out.subspan(static_cast<std::size_t>(block - first) * kBlockSize).data());
        if (status != MF_OK) {
            // A refused read halts the card, as on the air.
            asleep_ = true;
            openSector_.reset();
            return status;
        }
        block += inCall;
    }
    return MF_OK;
}

std::int32_t CardAccess::write(int first, std::span<const std::uint8_t> blocks,
                               const SectorKey& key) {
    const int count = static_cast<int>(blocks.size() / kBlockSize);
    for (int block = first; block < first + count; ++block) {
        if (const std::int32_t status = open(sectorOf(block), key); status != MF_OK) {
            return status;
        }
        const std::int32_t status = api_.MF_Write(
            reader::kDevice, block, 1,
            blocks.subspan(static_cast<std::size_t>(block - first) * kBlockSize).data());
        if (status != MF_OK) {
            asleep_ = true;
            openSector_.reset();
            return status;
        }
    }
    return MF_OK;
}

std::int32_t CardAccess::halt() {
    if (asleep_ && wakeAgain() != MF_OK) {
        return MF_ERR_CARD_NO_ANSWER;
    }
    openSector_.reset();
    return api_.MF_Halt(reader::kDevice);
}

} // namespace tagcard
