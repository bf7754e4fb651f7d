#pragma once

#include "protocol/Codes.h"
#include "protocol/Command.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace protocol {

// The payload of each command's request and answer, as typed values. encode() gives the bytes
// on the wire (integers little-endian); decode<T>() reads them back, or nothing when the bytes
// do not have T's layout. docs/protocol.md lists the same layouts.

using Payload = std::vector<std::uint8_t>;
using Uid = std::array<std::uint8_t, kUidSize>;
using Key = std::array<std::uint8_t, kKeySize>;
using SerialBytes = std::array<std::uint8_t, kSerialNumberSize>;
/// ATQA (low byte first) and SAK.
using CardTypeBytes = std::array<std::uint8_t, 3>;

struct Empty {
    friend bool operator==(const Empty&, const Empty&) = default;
};
struct Address {
    std::uint8_t address = 0;
    friend bool operator==(const Address&, const Address&) = default;
};
struct LineSpeed {
    std::uint32_t bitsPerSecond = 0;
    friend bool operator==(const LineSpeed&, const LineSpeed&) = default;
};
/// Up to kMaxVersionText bytes, not terminated.
struct VersionText {
    std::string text;
    friend bool operator==(const VersionText&, const VersionText&) = default;
};
struct SerialNumber {
    SerialBytes bytes{};
    friend bool operator==(const SerialNumber&, const SerialNumber&) = default;
};
/// A new serial number: up to kSerialNumberSize bytes; the reader pads it with zero bytes.
struct SerialText {
    std::vector<std::uint8_t> bytes;
    friend bool operator==(const SerialText&, const SerialText&) = default;
};
struct Buzzer {
    std::int16_t duration = 0; ///< In units of 10 ms.
    friend bool operator==(const Buzzer&, const Buzzer&) = default;
};
struct Leds {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    friend bool operator==(const Leds&, const Leds&) = default;
};
struct RfField {
    std::uint8_t on = 0;
    friend bool operator==(const RfField&, const RfField&) = default;
};
struct WiegandMode {
    std::uint8_t mode = 0;
    std::uint8_t format = 0;
    friend bool operator==(const WiegandMode&, const WiegandMode&) = default;
};
struct CardRequest {
    RequestMode mode = RequestMode::IdleOnly;
    friend bool operator==(const CardRequest&, const CardRequest&) = default;
};
struct CardType {
    CardTypeBytes bytes{};
    friend bool operator==(const CardType&, const CardType&) = default;
};
struct CardUid {
    Uid uid{};
    friend bool operator==(const CardUid&, const CardUid&) = default;
};
struct CardKey {
    Key key{};
    friend bool operator==(const CardKey&, const CardKey&) = default;
};
struct KeySlot {
    KeyType keyType = KeyType::B;
    std::uint8_t slot = 0;
    friend bool operator==(const KeySlot&, const KeySlot&) = default;
};
struct StoredKey {
    KeyType keyType = KeyType::B;
    std::uint8_t slot = 0;
    Key key{};
    friend bool operator==(const StoredKey&, const StoredKey&) = default;
};
struct Authentication {
    KeyType keyType = KeyType::B;
    std::uint8_t block = 0;
    Uid uid{};
    friend bool operator==(const Authentication&, const Authentication&) = default;
};
struct BlockRange {
    std::uint8_t block = 0;
    std::uint8_t count = 0;
    friend bool operator==(const BlockRange&, const BlockRange&) = default;
};
/// Whole blocks of kBlockSize bytes, one to kMaxBlocksPerCall of them.
struct BlockData {
    std::vector<std::uint8_t> bytes;
    friend bool operator==(const BlockData&, const BlockData&) = default;
};
/// `count` blocks from `block`; the data holds exactly `count` whole blocks.
struct BlockWrite {
    std::uint8_t block = 0;
    std::uint8_t count = 0;
    std::vector<std::uint8_t> data;
    friend bool operator==(const BlockWrite&, const BlockWrite&) = default;
};
/// An operation on a value block.
struct ValueRequest {
    ValueOperation operation = ValueOperation::Increment;
    std::uint8_t block = 0;
    std::int32_t operand = 0;
    friend bool operator==(const ValueRequest&, const ValueRequest&) = default;
};
struct TransferBlock {
    std::uint8_t block = 0;
    friend bool operator==(const TransferBlock&, const TransferBlock&) = default;
};

Payload encode(const Empty&);
Payload encode(const Address& value);
Payload encode(const LineSpeed& value);
Payload encode(const VersionText& value);
Payload encode(const SerialNumber& value);
Payload encode(const SerialText& value);
Payload encode(const Buzzer& value);
Payload encode(const Leds& value);
Payload encode(const RfField& value);
Payload encode(const WiegandMode& value);
Payload encode(const CardRequest& value);
Payload encode(const CardType& value);
Payload encode(const CardUid& value);
Payload encode(const CardKey& value);
Payload encode(const KeySlot& value);
Payload encode(const StoredKey& value);
Payload encode(const Authentication& value);
Payload encode(const BlockRange& value);
Payload encode(const BlockData& value);
Payload encode(const BlockWrite& value);
Payload encode(const ValueRequest& value);
Payload encode(const TransferBlock& value);

/// The value whose layout the bytes have, or nothing (a wrong length, for the most part).
template <typename T> [[nodiscard]] std::optional<T> decode(std::span<const std::uint8_t> bytes);

/// Which request and answer each command carries.
template <Command> struct Layout;
// clang-format off
template <> struct Layout<Command::GetAddress>     { using Request = Empty;          using Answer = Address; };
template <> struct Layout<Command::SetAddress>     { using Request = Address;        using Answer = Empty; };
template <> struct Layout<Command::SetLineSpeed>   { using Request = LineSpeed;      using Answer = Empty; };
template <> struct Layout<Command::GetVersion>     { using Request = Empty;          using Answer = VersionText; };
template <> struct Layout<Command::GetSerial>      { using Request = Empty;          using Answer = SerialNumber; };
template <> struct Layout<Command::SetSerial>      { using Request = SerialText;     using Answer = Empty; };
template <> struct Layout<Command::Reset>          { using Request = Empty;          using Answer = Empty; };
template <> struct Layout<Command::Buzzer>         { using Request = Buzzer;         using Answer = Empty; };
template <> struct Layout<Command::Leds>           { using Request = Leds;           using Answer = Empty; };
template <> struct Layout<Command::RfField>        { using Request = RfField;        using Answer = Empty; };
template <> struct Layout<Command::Wiegand>        { using Request = WiegandMode;    using Answer = Empty; };
template <> struct Layout<Command::Request>        { using Request = CardRequest;    using Answer = CardType; };
template <> struct Layout<Command::Anticollision>  { using Request = Empty;          using Answer = CardUid; };
template <> struct Layout<Command::Select>         { using Request = CardUid;        using Answer = Empty; };
template <> struct Layout<Command::Halt>           { using Request = Empty;          using Answer = Empty; };
template <> struct Layout<Command::LoadKey>        { using Request = CardKey;        using Answer = Empty; };
template <> struct Layout<Command::LoadStoredKey>  { using Request = KeySlot;        using Answer = Empty; };
template <> struct Layout<Command::StoreKey>       { using Request = StoredKey;      using Answer = Empty; };
template <> struct Layout<Command::Authenticate>   { using Request = Authentication; using Answer = Empty; };
template <> struct Layout<Command::ReadBlocks>     { using Request = BlockRange;     using Answer = BlockData; };
template <> struct Layout<Command::WriteBlocks>    { using Request = BlockWrite;     using Answer = Empty; };
template <> struct Layout<Command::ValueOperation> { using Request = ValueRequest;   using Answer = Empty; };
template <> struct Layout<Command::Transfer>       { using Request = TransferBlock;  using Answer = Empty; };
// clang-format on

template <Command C> using RequestOf = typename Layout<C>::Request;
template <Command C> using AnswerOf = typename Layout<C>::Answer;

/// Every command, in the order of their ids.
inline constexpr std::array kCommands{
    Command::GetAddress,    Command::SetAddress,     Command::SetLineSpeed, Command::GetVersion,
    Command::GetSerial,     Command::SetSerial,      Command::Reset,        Command::Buzzer,
    Command::Leds,          Command::RfField,        Command::Wiegand,      Command::Request,
    Command::Anticollision, Command::Select,         Command::Halt,         Command::LoadKey,
    Command::LoadStoredKey, Command::StoreKey,       Command::Authenticate, Command::ReadBlocks,
    Command::WriteBlocks,   Command::ValueOperation, Command::Transfer};

template <Command C> using CommandTag = std::integral_constant<Command, C>;

/// Calls `visitor(CommandTag<C>{})` for the command whose id is `id`, so that the visitor can
/// use Layout<C>; gives the visitor's result, or nothing when no command has that id.
template <typename Visitor> auto visitCommand(std::uint8_t id, Visitor&& visitor) {
    using Outcome = decltype(visitor(CommandTag<Command::GetAddress>{}));
    std::optional<Outcome> outcome;
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        ((toByte(kCommands[I]) == id ? (outcome.emplace(visitor(CommandTag<kCommands[I]>{})), 0)
                                     : 0),
         ...);
    }
    (std::make_index_sequence<kCommands.size()>{});
    return outcome;
}

/// The command's name in words, such as "Read blocks".
const char* commandName(Command command);

} // namespace protocol
