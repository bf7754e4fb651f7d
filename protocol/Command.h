#pragma once

#include <cstddef>
#include <cstdint>

namespace protocol {

/// Command ids of the reader protocol. Payload layouts are in docs/protocol.md; multi-byte
/// integers travel little-endian.
enum class Command : std::uint8_t {
    GetAddress = 0x01,     ///< -> [address]
    SetAddress = 0x02,     ///< [address] ->
    SetLineSpeed = 0x03,   ///< [bits per second, u32] -> ; the reader switches after answering
    GetVersion = 0x04,     ///< -> [text, up to 32 bytes]
    GetSerial = 0x05,      ///< -> [8 bytes]
    SetSerial = 0x06,      ///< [0 to 8 bytes] ->
    Reset = 0x07,          ///< ->
    Buzzer = 0x10,         ///< [duration in 10 ms, i16] ->
    Leds = 0x11,           ///< [red, green] ->
    RfField = 0x12,        ///< [on] ->
    Wiegand = 0x13,        ///< [mode, format] ->
    Request = 0x20,        ///< [mode] -> [ATQA low, ATQA high, SAK]
    Anticollision = 0x21,  ///< -> [UID, 4 bytes]
    Select = 0x22,         ///< [UID, 4 bytes] ->
    Halt = 0x23,           ///< ->
    LoadKey = 0x30,        ///< [key, 6 bytes] ->
    LoadStoredKey = 0x31,  ///< [key type, slot] ->
    StoreKey = 0x32,       ///< [key type, slot, key, 6 bytes] ->
    Authenticate = 0x33,   ///< [key type, block, UID, 4 bytes] ->
    ReadBlocks = 0x40,     ///< [block, count] -> [16 * count bytes]
    WriteBlocks = 0x41,    ///< [block, count, 16 * count bytes] ->
    ValueOperation = 0x42, ///< [operation, block, operand, i32] ->
    Transfer = 0x43,       ///< [block] ->
};

inline constexpr std::uint8_t toByte(Command command) {
    return static_cast<std::uint8_t>(command);
}

inline constexpr std::size_t kBlockSize = 16;
inline constexpr std::size_t kMaxBlocksPerCall = 4;
inline constexpr std::size_t kSerialNumberSize = 8;
inline constexpr std::size_t kMaxVersionText = 32;
inline constexpr std::size_t kKeySize = 6;
inline constexpr std::size_t kUidSize = 4;
inline constexpr std::size_t kKeySlots = 16;

} // namespace protocol
