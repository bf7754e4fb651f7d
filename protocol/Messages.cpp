#include "protocol/Messages.h"

#include "protocol/Bytes.h"

#include <algorithm>

namespace protocol {

namespace {

using Bytes = std::span<const std::uint8_t>;

template <std::size_t N> std::array<std::uint8_t, N> arrayAt(Bytes bytes, std::size_t offset) {
    std::array<std::uint8_t, N> out{};
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), N, out.begin());
    return out;
}

Payload joined(std::initializer_list<std::uint8_t> head, Bytes tail = {}) {
    Payload out(head);
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

bool wholeBlocks(std::size_t size) {
    return size >= kBlockSize && size <= kMaxBlocksPerCall * kBlockSize && size % kBlockSize == 0;
}

} // namespace

Payload encode(const Empty&) {
    return {};
}
Payload encode(const Address& value) {
    return {value.address};
}
Payload encode(const LineSpeed& value) {
    Payload out;
    appendU32(out, value.bitsPerSecond);
    return out;
}
Payload encode(const VersionText& value) {
    return Payload(value.text.begin(), value.text.end());
}
Payload encode(const SerialNumber& value) {
    return Payload(value.bytes.begin(), value.bytes.end());
}
Payload encode(const SerialText& value) {
    return value.bytes;
}
Payload encode(const Buzzer& value) {
    Payload out;
    appendI16(out, value.duration);
    return out;
}
Payload encode(const Leds& value) {
    return {value.red, value.green};
}
Payload encode(const RfField& value) {
    return {value.on};
}
Payload encode(const WiegandMode& value) {
    return {value.mode, value.format};
}
Payload encode(const CardRequest& value) {
    return {toByte(value.mode)};
}
Payload encode(const CardType& value) {
    return Payload(value.bytes.begin(), value.bytes.end());
}
Payload encode(const CardUid& value) {
    return Payload(value.uid.begin(), value.uid.end());
}
Payload encode(const CardKey& value) {
    return Payload(value.key.begin(), value.key.end());
}
Payload encode(const KeySlot& value) {
    return {toByte(value.keyType), value.slot};
}
Payload encode(const StoredKey& value) {
    return joined({toByte(value.keyType), value.slot}, value.key);
}
Payload encode(const Authentication& value) {
    return joined({toByte(value.keyType), value.block}, value.uid);
}
Payload encode(const BlockRange& value) {
    return {value.block, value.count};
}
Payload encode(const BlockData& value) {
    return value.bytes;
}
Payload encode(const BlockWrite& value) {
    return joined({value.block, value.count}, value.data);
}
Payload encode(const ValueRequest& value) {
    Payload out{toByte(value.operation), value.block};
    appendI32(out, value.operand);
    return out;
}
Payload encode(const TransferBlock& value) {
    return {value.block};
}

template <> std::optional<Empty> decode<Empty>(Bytes bytes) {
    return bytes.empty() ? std::optional(Empty{}) : std::nullopt;
}
template <> std::optional<Address> decode<Address>(Bytes bytes) {
    return bytes.size() == 1 ? std::optional(Address{bytes[0]}) : std::nullopt;
}
template <> std::optional<LineSpeed> decode<LineSpeed>(Bytes bytes) {
    return bytes.size() == 4 ? std::optional(LineSpeed{readU32(bytes)}) : std::nullopt;
}
template <> std::optional<VersionText> decode<VersionText>(Bytes bytes) {
    if (bytes.size() > kMaxVersionText) {
        return std::nullopt;
    }
    return VersionText{std::string(bytes.begin(), bytes.end())};
}
template <> std::optional<SerialNumber> decode<SerialNumber>(Bytes bytes) {
    if (bytes.size() != kSerialNumberSize) {
        return std::nullopt;
    }
    return SerialNumber{arrayAt<kSerialNumberSize>(bytes, 0)};
}
template <> std::optional<SerialText> decode<SerialText>(Bytes bytes) {
    if (bytes.size() > kSerialNumberSize) {
        return std::nullopt;
    }
    return SerialText{Payload(bytes.begin(), bytes.end())};
}
template <> std::optional<Buzzer> decode<Buzzer>(Bytes bytes) {
    return bytes.size() == 2 ? std::optional(Buzzer{readI16(bytes)}) : std::nullopt;
}
template <> std::optional<Leds> decode<Leds>(Bytes bytes) {
    return bytes.size() == 2 ? std::optional(Leds{bytes[0], bytes[1]}) : std::nullopt;
}
template <> std::optional<RfField> decode<RfField>(Bytes bytes) {
    return bytes.size() == 1 ? std::optional(RfField{bytes[0]}) : std::nullopt;
}
template <> std::optional<WiegandMode> decode<WiegandMode>(Bytes bytes) {
    return bytes.size() == 2 ? std::optional(WiegandMode{bytes[0], bytes[1]}) : std::nullopt;
}
template <> std::optional<CardRequest> decode<CardRequest>(Bytes bytes) {
    return bytes.size() == 1 ? std::optional(CardRequest{static_cast<RequestMode>(bytes[0])})
                             : std::nullopt;
}
template <> std::optional<CardType> decode<CardType>(Bytes bytes) {
    return bytes.size() == 3 ? std::optional(CardType{arrayAt<3>(bytes, 0)}) : std::nullopt;
}
template <> std::optional<CardUid> decode<CardUid>(Bytes bytes) {
    return bytes.size() == kUidSize ? std::optional(CardUid{arrayAt<kUidSize>(bytes, 0)})
                                    : std::nullopt;
}
template <> std::optional<CardKey> decode<CardKey>(Bytes bytes) {
    return bytes.size() == kKeySize ? std::optional(CardKey{arrayAt<kKeySize>(bytes, 0)})
                                    : std::nullopt;
}
template <> std::optional<KeySlot> decode<KeySlot>(Bytes bytes) {
    return bytes.size() == 2 ? std::optional(KeySlot{static_cast<KeyType>(bytes[0]), bytes[1]})
                             : std::nullopt;
}
template <> std::optional<StoredKey> decode<StoredKey>(Bytes bytes) {
    if (bytes.size() != 2 + kKeySize) {
        return std::nullopt;
    }
    return StoredKey{static_cast<KeyType>(bytes[0]), bytes[1], arrayAt<kKeySize>(bytes, 2)};
}
template <> std::optional<Authentication> decode<Authentication>(Bytes bytes) {
    if (bytes.size() != 2 + kUidSize) {
        return std::nullopt;
    }
    return Authentication{static_cast<KeyType>(bytes[0]), bytes[1], arrayAt<kUidSize>(bytes, 2)};
}
template <> std::optional<BlockRange> decode<BlockRange>(Bytes bytes) {
    return bytes.size() == 2 ? std::optional(BlockRange{bytes[0], bytes[1]}) : std::nullopt;
}
template <> std::optional<BlockData> decode<BlockData>(Bytes bytes) {
    if (!wholeBlocks(bytes.size())) {
        return std::nullopt;
    }
    return BlockData{Payload(bytes.begin(), bytes.end())};
}
template <> std::optional<BlockWrite> decode<BlockWrite>(Bytes bytes) {
    // The count itself is the reader's to judge (a bad block, not a bad payload).
    if (bytes.size() < 2 || bytes.size() - 2 != std::size_t{bytes[1]} * kBlockSize) {
        return std::nullopt;
    }
    return BlockWrite{bytes[0], bytes[1], Payload(bytes.begin() + 2, bytes.end())};
}
template <> std::optional<ValueRequest> decode<ValueRequest>(Bytes bytes) {
    if (bytes.size() != 6) {
        return std::nullopt;
    }
    return ValueRequest{static_cast<ValueOperation>(bytes[0]), bytes[1], readI32(bytes.subspan(2))};
}
template <> std::optional<TransferBlock> decode<TransferBlock>(Bytes bytes) {
    return bytes.size() == 1 ? std::optional(TransferBlock{bytes[0]}) : std::nullopt;
}

const char* commandName(Command command) {
    switch (command) {
    case Command::GetAddress:
        return "Get address";
    case Command::SetAddress:
        return "Set address";
    case Command::SetLineSpeed:
        return "Set line speed";
    case Command::GetVersion:
        return "Get version";
    case Command::GetSerial:
        return "Get serial number";
    case Command::SetSerial:
        return "Set serial number";
    case Command::Reset:
        return "Reset";
    case Command::Buzzer:
        return "Buzzer";
    case Command::Leds:
        return "LEDs";
    case Command::RfField:
        return "RF field";
    case Command::Wiegand:
        return "Wiegand";
    case Command::Request:
        return "Request";
    case Command::Anticollision:
        return "Anticollision";
    case Command::Select:
        return "Select";
    case Command::Halt:
        return "Halt";
    case Command::LoadKey:
        return "Load key";
    case Command::LoadStoredKey:
        return "Load stored key";
    case Command::StoreKey:
        return "Store key";
    case Command::Authenticate:
        return "Authenticate";
    case Command::ReadBlocks:
        return "Read blocks";
    case Command::WriteBlocks:
        return "Write blocks";
    case Command::ValueOperation:
        return "Value operation";
    case Command::Transfer:
        return "Transfer";
    }
    return "?";
}

} // namespace protocol
