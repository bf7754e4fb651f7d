#include "emulator/model/MifareClassic.h"

#include "mifare/ValueBlock.h"
#include "protocol/Status.h"

#include <algorithm>

namespace kov450 {

namespace {

constexpr std::size_t kKeyBOffset = 10;
constexpr std::size_t kAccessOffset = 6;

Block defaultTrailer() {
    Block trailer{};
    std::copy(kDefaultKey.begin(), kDefaultKey.end(), trailer.begin());
    std::copy(kDefaultAccess.begin(), kDefaultAccess.end(), trailer.begin() + kAccessOffset);
    std::copy(kDefaultKey.begin(), kDefaultKey.end(), trailer.begin() + kKeyBOffset);
    return trailer;
}

} // namespace

MifareClassic::MifareClassic(CardKind kind, std::vector<Block> memory)
    : kind_(kind), memory_(std::move(memory)) {
}

MifareClassic MifareClassic::makeDefault(CardKind kind, const Uid& uid, std::uint8_t credit) {
    std::vector<Block> memory(blockCountOf(kind), Block{});
    for (std::size_t sector = 0; sector < sectorCountOf(kind); ++sector) {
        memory[trailerOf(sector)] = defaultTrailer();
    }
    // Manufacturer block: UID, its check byte, SAK, ATQA, then manufacturer data.
    Block& manufacturer = memory[0];
    std::copy(uid.begin(), uid.end(), manufacturer.begin());
    manufacturer[4] = static_cast<std::uint8_t>(uid[0] ^ uid[1] ^ uid[2] ^ uid[3]);
    const bool small = kind == CardKind::Classic1K;
    manufacturer[5] = small ? 0x08 : 0x18;
    manufacturer[6] = small ? 0x04 : 0x02;
    manufacturer[7] = 0x00;
    std::fill(manufacturer.begin() + 8, manufacturer.end(), std::uint8_t{0x4B});
    memory[kCreditBlock][0] = credit;
    return MifareClassic(kind, std::move(memory));
}

std::optional<MifareClassic> MifareClassic::fromDump(std::span<const std::uint8_t> dump) {
    CardKind kind{};
    if (dump.size() == blockCountOf(CardKind::Classic1K) * 16) {
        kind = CardKind::Classic1K;
    } else if (dump.size() == blockCountOf(CardKind::Classic4K) * 16) {
        kind = CardKind::Classic4K;
    } else {
        return std::nullopt;
    }
    std::vector<Block> memory(blockCountOf(kind));
    for (std::size_t index = 0; index < memory.size(); ++index) {
        std::copy_n(dump.begin() + static_cast<std::ptrdiff_t>(index * 16), 16,
                    memory[index].begin());
    }
    return MifareClassic(kind, std::move(memory));
}

std::vector<std::uint8_t> MifareClassic::dump() const {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(memory_.size() * 16);
    for (const Block& block : memory_) {
        bytes.insert(bytes.end(), block.begin(), block.end());
    }
    return bytes;
}

Uid MifareClassic::uid() const {
    Uid uid{};
    std::copy_n(memory_[0].begin(), uid.size(), uid.begin());
    return uid;
}

std::array<std::uint8_t, 2> MifareClassic::atqa() const {
    return kind_ == CardKind::Classic1K ? std::array<std::uint8_t, 2>{0x04, 0x00}
                                        : std::array<std::uint8_t, 2>{0x02, 0x00};
}

std::uint8_t MifareClassic::sak() const {
    return kind_ == CardKind::Classic1K ? 0x08 : 0x18;
}

std::optional<SectorConditions> MifareClassic::conditionsOf(std::size_t sector) const {
    const Block& trailer = memory_[trailerOf(sector)];
    return decodeAccessBits(std::span<const std::uint8_t, 3>(trailer.data() + kAccessOffset, 3));
}

bool MifareClassic::sectorBlocked(std::size_t sector) const {
    return !conditionsOf(sector).has_value();
}

void MifareClassic::loseAuthentication() {
    authenticated_.reset();
    pending_.reset();
}

std::int32_t MifareClassic::refuse(std::int32_t status) {
    deselect();
    return status;
}

bool MifareClassic::wake(bool wakeHalted) {
    if (state_ == CardState::Halt && !wakeHalted) {
        return false;
    }
    wokenFromHalt_ = state_ == CardState::Halt;
    state_ = CardState::Ready;
    loseAuthentication();
    return true;
}

bool MifareClassic::select() {
    if (state_ != CardState::Ready) {
        return false;
    }
    state_ = CardState::Active;
    return true;
}

void MifareClassic::deselect() {
    if (state_ == CardState::Ready || state_ == CardState::Active) {
        state_ = wokenFromHalt_ ? CardState::Halt : CardState::Idle;
    }
    loseAuthentication();
}

bool MifareClassic::halt() {
    if (state_ != CardState::Active) {
        return false;
    }
    state_ = CardState::Halt;
    loseAuthentication();
    return true;
}

void MifareClassic::powerOff() {
    state_ = CardState::Idle;
    wokenFromHalt_ = false;
    loseAuthentication();
}

std::int32_t MifareClassic::authenticate(KeyType type, std::size_t block, const Key& key) {
    if (block >= memory_.size()) {
        return protocol::status::kBadBlock;
    }
    const std::size_t sector = sectorOf(block);
    if (!conditionsOf(sector)) {
        return refuse(protocol::status::kAccessDenied);
    }
    const Block& trailer = memory_[trailerOf(sector)];
    const std::size_t offset = type == KeyType::A ? 0 : kKeyBOffset;
    // A readable key B still authenticates; the access checks then refuse everything it asks.
    if (!std::equal(key.begin(), key.end(),
                    trailer.begin() + static_cast<std::ptrdiff_t>(offset))) {
        // A failed authentication drops the card out of its session, as a real card does.
        return refuse(protocol::status::kAuthFailed);
    }
    loseAuthentication();
    authenticated_ = Authentication{sector, type};
    return protocol::status::kOk;
}

std::int32_t MifareClassic::checkRange(std::size_t first, std::size_t count) const {
    if (count < 1 || count > 4 || first >= memory_.size() || count > memory_.size() - first) {
        return protocol::status::kBadBlock;
    }
    const std::size_t sector = sectorOf(first);
    if (sectorOf(first + count - 1) != sector) {
        return protocol::status::kBadBlock;
    }
    if (!authenticated_ || authenticated_->sector != sector) {
        return protocol::status::kNotAuthenticated;
    }
    return protocol::status::kOk;
}

std::optional<SectorConditions> MifareClassic::openConditions() const {
    auto conditions = conditionsOf(authenticated_->sector);
    // Where key B may be read it cannot serve for access: every operation after it is refused.
    if (conditions && authenticated_->key == KeyType::B && keyBReadable((*conditions)[3])) {
        return std::nullopt;
    }
    return conditions;
}

Block MifareClassic::readable(std::size_t block, const SectorConditions& conditions) const {
    Block out = memory_[block];
    const Condition trailer = conditions[3];
    const KeyType key = authenticated_->key;
    // Key A never reads back; key B and the access bytes only where the conditions allow.
    std::fill_n(out.begin(), 6, std::uint8_t{0});
    if (!trailerAllowed(trailer, TrailerPart::AccessRead, key)) {
        std::fill_n(out.begin() + kAccessOffset, 4, std::uint8_t{0});
    }
    if (!trailerAllowed(trailer, TrailerPart::KeyBRead, key)) {
        std::fill_n(out.begin() + kKeyBOffset, 6, std::uint8_t{0});
    }
    return out;
}

std::int32_t MifareClassic::read(std::size_t first, std::size_t count,
                                 std::vector<std::uint8_t>& out) {
    if (const std::int32_t status = checkRange(first, count); status != protocol::status::kOk) {
        return status;
    }
    const auto conditions = openConditions();
    if (!conditions) {
        return refuse(protocol::status::kAccessDenied);
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t block = first; block < first + count; ++block) {
        if (isTrailer(block)) {
            const Block shown = readable(block, *conditions);
            bytes.insert(bytes.end(), shown.begin(), shown.end());
            continue;
        }
        if (!dataAllowed((*conditions)[accessGroupOf(block)], DataOperation::Read,
                         authenticated_->key)) {
            return refuse(protocol::status::kAccessDenied);
        }
        bytes.insert(bytes.end(), memory_[block].begin(), memory_[block].end());
    }
    out = std::move(bytes);
    return protocol::status::kOk;
}

std::int32_t MifareClassic::write(std::size_t first, std::size_t count,
                                  std::span<const std::uint8_t> data) {
    if (const std::int32_t status = checkRange(first, count); status != protocol::status::kOk) {
        return status;
    }
    if (data.size() != count * 16) {
        return protocol::status::kBadParameter;
    }
    const auto conditions = openConditions();
    if (!conditions) {
        return refuse(protocol::status::kAccessDenied);
    }
    const KeyType key = authenticated_->key;
    const Condition trailer = (*conditions)[3];
    // Check every block before changing any, so that a refused write changes nothing.
    for (std::size_t block = first; block < first + count; ++block) {
        const bool allowed =
            block != 0 &&
            (isTrailer(block)
                 ? trailerAllowed(trailer, TrailerPart::KeyAWrite, key) ||
                       trailerAllowed(trailer, TrailerPart::AccessWrite, key) ||
                       trailerAllowed(trailer, TrailerPart::KeyBWrite, key)
                 : dataAllowed((*conditions)[accessGroupOf(block)], DataOperation::Write, key));
        if (!allowed) {
            return refuse(protocol::status::kAccessDenied);
        }
    }
    for (std::size_t block = first; block < first + count; ++block) {
        const auto source = data.subspan((block - first) * 16, 16);
        Block& target = memory_[block];
        if (!isTrailer(block)) {
            std::copy(source.begin(), source.end(), target.begin());
            continue;
        }
        // A trailer takes the new bytes only in the parts its conditions let this key write.
        const auto copyPart = [&](TrailerPart part, std::size_t offset, std::size_t length) {
            if (trailerAllowed(trailer, part, key)) {
                std::copy_n(source.begin() + static_cast<std::ptrdiff_t>(offset), length,
                            target.begin() + static_cast<std::ptrdiff_t>(offset));
            }
        };
        copyPart(TrailerPart::KeyAWrite, 0, 6);
        copyPart(TrailerPart::AccessWrite, kAccessOffset, 4);
        copyPart(TrailerPart::KeyBWrite, kKeyBOffset, 6);
    }
    return protocol::status::kOk;
}

bool MifareClassic::valueAllowed(std::size_t block, DataOperation operation) const {
    const auto conditions = openConditions();
    return conditions && block != 0 && !isTrailer(block) &&
           dataAllowed((*conditions)[accessGroupOf(block)], operation, authenticated_->key);
}

std::int32_t MifareClassic::valueOperation(ValueOperation operation, std::size_t block,
                                           std::int32_t operand) {
    if (const std::int32_t status = checkRange(block, 1); status != protocol::status::kOk) {
        return status;
    }
    const DataOperation needed = operation == ValueOperation::Increment
                                     ? DataOperation::Increment
                                     : DataOperation::DecrementTransferRestore;
    if (!valueAllowed(block, needed)) {
        return refuse(protocol::status::kAccessDenied);
    }
    const auto current = mifare::decodeValueBlock(memory_[block]);
    if (!current) {
        return refuse(protocol::status::kNotValueBlock);
    }
    const auto result = mifare::applyValueOperation(operation, current->value, operand);
    if (!result) {
        return refuse(protocol::status::kBadParameter);
    }
    pending_ = PendingValue{*result, current->address};
    return protocol::status::kOk;
}

std::int32_t MifareClassic::transfer(std::size_t block) {
    if (const std::int32_t status = checkRange(block, 1); status != protocol::status::kOk) {
        return status;
    }
    // The reader knows whether a value operation succeeded, and sends no transfer without one.
    if (!pending_) {
        return protocol::status::kNoValuePending;
    }
    if (!valueAllowed(block, DataOperation::DecrementTransferRestore)) {
        return refuse(protocol::status::kAccessDenied);
    }
    memory_[block] = mifare::encodeValueBlock({pending_->value, pending_->address});
    return protocol::status::kOk;
}

void MifareClassic::setCredit(std::uint8_t credit) {
    memory_[kCreditBlock][0] = credit;
}

std::size_t MifareClassic::revive() {
    std::size_t revived = 0;
    for (std::size_t sector = 0; sector < sectorCountOf(kind_); ++sector) {
        if (sectorBlocked(sector)) {
            memory_[trailerOf(sector)] = defaultTrailer();
            ++revived;
        }
    }
    return revived;
}

} // namespace kov450
