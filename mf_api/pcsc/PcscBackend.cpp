// The card operations of the PC/SC back end.
#include "mf_api/pcsc/PcscBackend.h"

#include "mf_api/pcsc/CardAtr.h"
#include "mf_api/pcsc/CardUid.h"
#include "mifare/Sectors.h"
#include "mifare/ValueBlock.h"
#include "protocol/Status.h"

#include <MF_API.h>

#include <algorithm>

namespace mfapi::pcsc {

namespace status = protocol::status;
using protocol::KeyType;

namespace {

/// Where a stored key lives in a reader that keeps keys: locations 01 to 20, key A's slots
/// first, so that the volatile location 00 stays MF_LoadKey's.
std::uint8_t readerKeyNumber(KeyType keyType, std::uint8_t slot) {
    return static_cast<std::uint8_t>(1 + (keyType == KeyType::A ? 0 : protocol::kKeySlots) + slot);
}

bool validKeySlot(KeyType keyType, std::uint8_t slot) {
    return protocol::isKnown(keyType) && slot < protocol::kKeySlots;
}

} // namespace

PcscBackend::PcscBackend(PcscLink link, std::string reader, KeyStoreFile keys, bool followsCards)
    : link_(std::move(link)), readerNames_{std::move(reader)}, followsCards_(followsCards),
      keys_(std::move(keys)) {
}

void PcscBackend::endSession() {
    ready_ = false;
    uid_.reset();
    selected_ = false;
    authenticatedSector_.reset();
    pending_.reset();
}

std::int32_t PcscBackend::refusedByCard(std::int32_t outcome) {
    endSession();
    return outcome;
}

void PcscBackend::dropCard() {
    // The card is gone: resetting it would only fail.
    link_.disconnect(SCARD_LEAVE_CARD);
    atr_.clear();
    keyLoaded_ = false;
    endSession();
}

std::int32_t PcscBackend::exchange(CardStep step, const mifare::Apdu& apdu,
                                   std::vector<std::uint8_t>* data) {
    std::vector<std::uint8_t> answer;
    const LONG result = link_.transmit(apdu, answer);
    if (result != SCARD_S_SUCCESS) {
        return fail(result);
    }
    // A transmit that "succeeds" without a status word lost its answer: the card left.
    const std::int32_t outcome = statusOfAnswer(step, answer);
    if (outcome == status::kCardNoAnswer) {
        dropCard();
        return outcome;
    }
    if (outcome == status::kOk && data != nullptr) {
        data->assign(answer.begin(), answer.end() - 2);
    }
    return outcome;
}

Result<protocol::CardTypeBytes> PcscBackend::request(std::uint8_t, protocol::RequestMode mode) {
    if (!protocol::isKnown(mode)) {
        return {status::kBadParameter, {}};
    }
    auto now = readerNow();
    if (now.status != status::kOk) {
        return {now.status, {}};
    }
    endSession();
    if (!now.value.cardPresent()) {
        dropCard();
        if (!followsCards_) {
            return {status::kNoCard, {}};
        }
        // The card may lie on another contactless reader: the port follows it there.
        now = cardElsewhere();
        if (now.status != status::kOk) {
            return {now.status, {}};
        }
    }
    const ReaderStatus& reader = now.value;
    if (link_.cardConnected() && reader.cardEvents() != cardEvents_) {
        dropCard(); // another card, or the same one back: connect anew
    }
    // A halted card answers only a wake-up until it has left the field.
    if (haltedAt_ && *haltedAt_ == reader.cardEvents() && mode == protocol::RequestMode::IdleOnly) {
        return {status::kNoCard, {}};
    }
    haltedAt_.reset();
    if (!link_.cardConnected()) {
        // Exclusive: the reader keeps one authentication, which another program would spoil.
        const LONG result = link_.connect(readerNames_.front(), SCARD_SHARE_EXCLUSIVE,
                                          SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1);
        if (result != SCARD_S_SUCCESS) {
            const std::int32_t failure = fail(result);
            return {failure == status::kCardNoAnswer ? status::kNoCard : failure, {}};
        }
        cardEvents_ = reader.cardEvents();
        atr_ = reader.atr;
        keyLoaded_ = false;
    }
    ready_ = true;
    // Another kind of card is there, but its ATQA and SAK are not known: zeros.
    return {status::kOk, cardTypeFromAtr(atr_).value_or(protocol::CardTypeBytes{})};
}

Result<protocol::Uid> PcscBackend::anticollision(std::uint8_t) {
    if (!ready_ || !link_.cardConnected()) {
        return {status::kNoCard, {}};
    }
    std::vector<std::uint8_t> data;
    if (const std::int32_t outcome = exchange(CardStep::Uid, mifare::getUid(), &data);
        outcome != status::kOk) {
        return {outcome, {}};
    }
    const auto uid = uidOfGetData(data);
    if (!uid) {
        return {MF_ERR_BAD_FRAME, {}};
    }
    uid_ = *uid;
    return {status::kOk, *uid};
}

std::int32_t PcscBackend::select(std::uint8_t device, const protocol::Uid& uid) {
    selected_ = false;
    authenticatedSector_.reset();
    pending_.reset();
    if (!ready_ || !link_.cardConnected()) {
        return status::kNotSelected;
    }
    if (!uid_) {
        const auto present = anticollision(device);
        if (present.status != status::kOk) {
            return present.status == status::kCardNoAnswer ? present.status : status::kNotSelected;
        }
    }
    if (*uid_ != uid) {
        return status::kNotSelected;
    }
    selected_ = true;
    return status::kOk;
}

std::int32_t PcscBackend::halt(std::uint8_t) {
    if (!selected_) {
        return status::kNotSelected;
    }
    const auto now = readerNow();
    if (now.status != status::kOk) {
        return now.status;
    }
    const ReaderStatus& reader = now.value;
    if (!reader.cardPresent() || reader.cardEvents() != cardEvents_) {
        dropCard();
        return status::kCardNoAnswer;
    }
    haltedAt_ = cardEvents_;
    endSession();
    return status::kOk;
}

std::int32_t PcscBackend::loadKey(std::uint8_t, const protocol::Key& key) {
    key_ = CurrentKey{key, kVolatileKeyNumber, false};
    keyLoaded_ = false;
    if (!link_.cardConnected()) {
        return status::kOk; // loaded into the reader before the next authentication
    }
    const std::int32_t outcome = ensureKeyLoaded();
    // The key belongs to the reader, not the card: a card that left does not refuse it.
    return outcome == status::kCardNoAnswer ? status::kOk : outcome;
}

std::int32_t PcscBackend::ensureKeyLoaded() {
    if (key_.keptByReader || keyLoaded_) {
        return status::kOk;
    }
    const std::int32_t outcome =
        exchange(CardStep::LoadKey,
                 mifare::loadKey(mifare::kVolatileKey, kVolatileKeyNumber, key_.bytes), nullptr);
    keyLoaded_ = outcome == status::kOk;
    return outcome;
}

std::int32_t PcscBackend::loadStoredKey(std::uint8_t device, protocol::KeyType keyType,
                                        std::uint8_t slot) {
    if (!validKeySlot(keyType, slot)) {
        return status::kBadParameter;
    }
    const auto stored = keys_.load(keyType, slot);
    if (stored.status != status::kOk) {
        return stored.status;
    }
    if (stored.value.inReader) {
        key_ = CurrentKey{{}, readerKeyNumber(keyType, slot), true};
        return status::kOk;
    }
    return loadKey(device, stored.value.key);
}

std::int32_t PcscBackend::storeKey(std::uint8_t, protocol::KeyType keyType, std::uint8_t slot,
                                   const protocol::Key& key) {
    if (!validKeySlot(keyType, slot)) {
        return status::kBadParameter;
    }
    if (link_.cardConnected()) {
        // A reader with non-volatile key memory keeps the key itself; the file notes where.
        const std::int32_t outcome = exchange(
            CardStep::LoadKey,
            mifare::loadKey(mifare::kNonVolatileKey, readerKeyNumber(keyType, slot), key), nullptr);
        if (outcome == status::kOk) {
            return keys_.store(keyType, slot, StoredKeySlot{true, {}});
        }
        if (gone_) {
            return outcome;
        }
    }
    return keys_.store(keyType, slot, StoredKeySlot{false, key});
}

std::int32_t PcscBackend::authenticate(std::uint8_t, protocol::KeyType keyType, std::uint8_t block,
                                       const protocol::Uid& uid) {
    if (!protocol::isKnown(keyType)) {
        return status::kBadParameter;
    }
    if (!selected_ || !uid_ || *uid_ != uid) {
        return status::kNotSelected;
    }
    if (block >= blockCountFromAtr(atr_)) {
        return status::kBadBlock;
    }
    authenticatedSector_.reset();
    pending_.reset();
    if (const std::int32_t outcome = ensureKeyLoaded(); outcome != status::kOk) {
        return outcome;
    }
    const std::uint8_t type = keyType == KeyType::A ? mifare::kKeyTypeA : mifare::kKeyTypeB;
    const std::int32_t outcome =
        exchange(CardStep::Authenticate, mifare::authenticate(block, type, key_.number), nullptr);
    if (outcome == status::kOk) {
        authenticatedSector_ = mifare::sectorOf(block);
    } else if (outcome == status::kAuthFailed) {
        // A refused card goes back to idle, as it does on the air: request it again.
        endSession();
    }
    return outcome;
}

std::int32_t PcscBackend::checkBlocks(std::uint8_t block, std::uint8_t count) const {
    if (!selected_ || !link_.cardConnected()) {
        return status::kNotSelected;
    }
    const std::size_t last = static_cast<std::size_t>(block) + count - 1;
    if (count < 1 || last >= blockCountFromAtr(atr_) ||
        mifare::sectorOf(last) != mifare::sectorOf(block)) {
        return status::kBadBlock;
    }
    if (authenticatedSector_ != mifare::sectorOf(block)) {
        return status::kNotAuthenticated;
    }
    return status::kOk;
}

Result<std::vector<std::uint8_t>> PcscBackend::read(std::uint8_t, std::uint8_t block,
                                                    std::uint8_t count) {
    if (const std::int32_t outcome = checkBlocks(block, count); outcome != status::kOk) {
        return {outcome, {}};
    }
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> data;
    for (std::size_t at = block; at < std::size_t{block} + count; ++at) {
        if (const std::int32_t outcome =
                exchange(CardStep::Read, mifare::readBlock(static_cast<std::uint8_t>(at)), &data);
            outcome != status::kOk) {
            return {outcome == status::kAccessDenied ? refusedByCard(outcome) : outcome, {}};
        }
        if (data.size() != protocol::kBlockSize) {
            return {MF_ERR_BAD_FRAME, {}};
        }
        bytes.insert(bytes.end(), data.begin(), data.end());
    }
    return {status::kOk, std::move(bytes)};
}

std::int32_t PcscBackend::write(std::uint8_t, std::uint8_t block, std::uint8_t count,
                                std::span<const std::uint8_t> data) {
    if (const std::int32_t outcome = checkBlocks(block, count); outcome != status::kOk) {
        return outcome;
    }
    if (data.size() != count * protocol::kBlockSize) {
        return status::kBadParameter;
    }
    for (std::size_t at = 0; at < count; ++at) {
        const auto bytes = data.subspan(at * protocol::kBlockSize).first<protocol::kBlockSize>();
        if (const std::int32_t outcome =
                exchange(CardStep::Write,
                         mifare::writeBlock(static_cast<std::uint8_t>(block + at), bytes), nullptr);
            outcome != status::kOk) {
            return outcome == status::kAccessDenied ? refusedByCard(outcome) : outcome;
        }
    }
    return status::kOk;
}

std::int32_t PcscBackend::value(std::uint8_t device, protocol::ValueOperation operation,
                                std::uint8_t block, std::int32_t operand) {
    // A refused operation leaves nothing for MF_transfer to write.
    pending_.reset();
    if (!protocol::isKnown(operation)) {
        return status::kBadParameter;
    }
    if (const std::int32_t outcome = checkBlocks(block, 1); outcome != status::kOk) {
        return outcome;
    }
    // The card's own value commands are no PC/SC standard: read, check and compute here, and
    // write only at MF_transfer. What the card would refuse, the library refuses as the card
    // does, ending the session.
    if (block == 0 || mifare::isTrailer(block)) {
        return refusedByCard(status::kAccessDenied);
    }
    const auto current = read(device, block, 1);
    if (current.status != status::kOk) {
        return current.status;
    }
    const auto decoded = mifare::decodeValueBlock(
        std::span<const std::uint8_t>(current.value).first<mifare::kBlockSize>());
    if (!decoded) {
        return refusedByCard(status::kNotValueBlock);
    }
    // The operation is known (checked above): nothing means a result outside 32 bits.
    const auto result = mifare::applyValueOperation(operation, decoded->value, operand);
    if (!result) {
        return refusedByCard(status::kBadParameter);
    }
    pending_ = PendingValue{*result, decoded->address};
    return status::kOk;
}

std::int32_t PcscBackend::transfer(std::uint8_t device, std::uint8_t block) {
    if (const std::int32_t outcome = checkBlocks(block, 1); outcome != status::kOk) {
        return outcome;
    }
    if (!pending_) {
        return status::kNoValuePending;
    }
    if (block == 0 || mifare::isTrailer(block)) {
        return refusedByCard(status::kAccessDenied);
    }
    const mifare::Block bytes =
        mifare::encodeValueBlock(mifare::ValueBlock{pending_->value, pending_->address});
    return write(device, block, 1, bytes);
}

} // namespace mfapi::pcsc
