// The exported C functions: argument checks, payload layouts and the copy into the caller's
// buffers. Each writes exactly the bytes MF_API.h gives for it, and only on success (except
// MF_Request, which writes three zero bytes when it fails, so that pollers see no card).
#include "mf_api/LineSpeed.h"
#include "mf_api/Session.h"
#include "protocol/Bytes.h"
#include "protocol/Command.h"

#include <MF_API.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace {

using mfapi::Reply;
using mfapi::Session;
using protocol::Command;

constexpr std::string_view kLibraryVersion = "MF_API 1.0 for KOV450 (Linux)";
static_assert(kLibraryVersion.size() <= protocol::kMaxVersionText);

std::optional<std::uint8_t> asByte(std::int32_t value) {
    if (value < 0 || value > 255) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

Reply transact(std::int32_t device, Command command, const std::vector<std::uint8_t>& payload) {
    const auto address = asByte(device);
    if (!address) {
        return {MF_ERR_BAD_ARGUMENT, {}};
    }
    return Session::instance().run([&](mfapi::Connection& connection) {
        return connection.exchange(*address, command, payload);
    });
}

/// A reply whose payload must have exactly `size` bytes when it reports success.
Reply expectPayload(Reply reply, std::size_t size) {
    if (reply.status == MF_OK && reply.payload.size() != size) {
        return {MF_ERR_BAD_FRAME, {}};
    }
    return reply;
}

std::int32_t command(std::int32_t device, Command id,
                     const std::vector<std::uint8_t>& payload = {}) {
    return expectPayload(transact(device, id, payload), 0).status;
}

std::int32_t copyOut(const Reply& reply, std::uint8_t* out) {
    if (reply.status == MF_OK) {
        std::copy(reply.payload.begin(), reply.payload.end(), out);
    }
    return reply.status;
}

/// A byte argument, or nothing when it cannot travel in one.
std::optional<std::vector<std::uint8_t>> bytesOf(std::initializer_list<std::int32_t> values) {
    std::vector<std::uint8_t> bytes;
    for (const std::int32_t value : values) {
        const auto byte = asByte(value);
        if (!byte) {
            return std::nullopt;
        }
        bytes.push_back(*byte);
    }
    return bytes;
}

std::int32_t byteCommand(std::int32_t device, Command id,
                         std::initializer_list<std::int32_t> values) {
    const auto payload = bytesOf(values);
    return payload ? command(device, id, *payload) : MF_ERR_BAD_ARGUMENT;
}

void append(std::vector<std::uint8_t>& out, const std::uint8_t* bytes, std::size_t size) {
    out.insert(out.end(), bytes, bytes + size);
}

} // namespace

extern "C" {

MF_EXPORT int32_t MF_CALL MF_GetDLL_Ver(uint8_t* version) {
    if (version == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    std::memcpy(version, kLibraryVersion.data(), kLibraryVersion.size());
    version[kLibraryVersion.size()] = 0;
    return MF_OK;
}

MF_EXPORT int32_t MF_CALL MF_InitComm(const char* port, int32_t baud) {
    return Session::instance().open(port, baud);
}

MF_EXPORT int32_t MF_CALL MF_ExitComm(void) {
    return Session::instance().close();
}

MF_EXPORT int32_t MF_CALL MF_SetDeviceBaud(int32_t device, int32_t baud) {
    const auto address = asByte(device);
    if (!address || baud <= 0) {
        return MF_ERR_BAD_ARGUMENT;
    }
    // A speed this side cannot follow is refused before the reader moves to it.
    if (!mfapi::termiosSpeed(baud)) {
        return MF_ERR_BAD_SPEED;
    }
    std::vector<std::uint8_t> payload;
    protocol::appendU32(payload, static_cast<std::uint32_t>(baud));
    return Session::instance()
        .run([&](mfapi::Connection& connection) {
            Reply reply =
                expectPayload(connection.exchange(*address, Command::SetLineSpeed, payload), 0);
            if (reply.status == MF_OK) {
                reply.status = connection.changeLineSpeed(static_cast<std::uint32_t>(baud));
            }
            return reply;
        })
        .status;
}

MF_EXPORT int32_t MF_CALL MF_GetDeviceAddr(int32_t device, uint8_t* address) {
    if (address == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    return copyOut(expectPayload(transact(device, Command::GetAddress, {}), 1), address);
}

MF_EXPORT int32_t MF_CALL MF_SetDeviceAddr(int32_t device, int32_t address) {
    return byteCommand(device, Command::SetAddress, {address});
}

MF_EXPORT int32_t MF_CALL MF_GetDevice_Ver(int32_t device, uint8_t* version) {
    if (version == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    Reply reply = transact(device, Command::GetVersion, {});
    if (reply.status == MF_OK && reply.payload.size() > protocol::kMaxVersionText) {
        return MF_ERR_BAD_FRAME;
    }
    if (reply.status == MF_OK) {
        reply.payload.push_back(0);
    }
    return copyOut(reply, version);
}

MF_EXPORT int32_t MF_CALL MF_GetDeviceSNR(int32_t device, uint8_t* serial) {
    if (serial == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    return copyOut(
        expectPayload(transact(device, Command::GetSerial, {}), protocol::kSerialNumberSize),
        serial);
}

MF_EXPORT int32_t MF_CALL MF_SetDeviceSNR(int32_t device, const char* serial) {
    if (serial == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    // Up to eight characters; a longer text is cut, and nothing past them is read.
    const std::size_t length = ::strnlen(serial, protocol::kSerialNumberSize);
    std::vector<std::uint8_t> payload;
    append(payload, reinterpret_cast<const std::uint8_t*>(serial), length);
    return command(device, Command::SetSerial, payload);
}

MF_EXPORT int32_t MF_CALL MF_DeviceReset(int32_t device) {
    return command(device, Command::Reset);
}

MF_EXPORT int32_t MF_CALL MF_ControlBuzzer(int32_t device, const int16_t* duration) {
    if (duration == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    std::vector<std::uint8_t> payload;
    protocol::appendI16(payload, *duration);
    return command(device, Command::Buzzer, payload);
}

MF_EXPORT int32_t MF_CALL MF_ControlLED(int32_t device, int32_t red, int32_t green) {
    return byteCommand(device, Command::Leds, {red, green});
}

MF_EXPORT int32_t MF_CALL MF_SetRF_ON(int32_t device) {
    return command(device, Command::RfField, {1});
}

MF_EXPORT int32_t MF_CALL MF_SetRF_OFF(int32_t device) {
    return command(device, Command::RfField, {0});
}

MF_EXPORT int32_t MF_CALL MF_SetWiegandMode(int32_t device, int32_t mode, int32_t format) {
    return byteCommand(device, Command::Wiegand, {mode, format});
}

MF_EXPORT int32_t MF_CALL MF_Request(int32_t device, int32_t mode, uint8_t* cardType) {
    if (cardType == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    const auto payload = bytesOf({mode});
    const Reply reply = payload ? expectPayload(transact(device, Command::Request, *payload), 3)
                                : Reply{MF_ERR_BAD_ARGUMENT, {}};
    if (reply.status != MF_OK) {
        // No card answered us: callers poll on byte 0 and must not see an old card type.
        std::fill_n(cardType, 3, std::uint8_t{0});
        return reply.status;
    }
    return copyOut(reply, cardType);
}

MF_EXPORT int32_t MF_CALL MF_Anticoll(int32_t device, uint8_t* serial) {
    if (serial == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    return copyOut(expectPayload(transact(device, Command::Anticollision, {}), protocol::kUidSize),
                   serial);
}

MF_EXPORT int32_t MF_CALL MF_Select(int32_t device, const uint8_t* serial) {
    if (serial == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    std::vector<std::uint8_t> payload;
    append(payload, serial, protocol::kUidSize);
    return command(device, Command::Select, payload);
}

MF_EXPORT int32_t MF_CALL MF_Halt(int32_t device) {
    return command(device, Command::Halt);
}

MF_EXPORT int32_t MF_CALL MF_LoadKey(int32_t device, const uint8_t* key) {
    if (key == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    std::vector<std::uint8_t> payload;
    append(payload, key, protocol::kKeySize);
    return command(device, Command::LoadKey, payload);
}

MF_EXPORT int32_t MF_CALL MF_LoadKeyFromEE(int32_t device, int32_t keyType, int32_t slot) {
    return byteCommand(device, Command::LoadStoredKey, {keyType, slot});
}

MF_EXPORT int32_t MF_CALL MF_StoreKeyToEE(int32_t device, int32_t keyType, int32_t slot,
                                          const uint8_t* key) {
    if (key == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    auto payload = bytesOf({keyType, slot});
    if (!payload) {
        return MF_ERR_BAD_ARGUMENT;
    }
    append(*payload, key, protocol::kKeySize);
    return command(device, Command::StoreKey, *payload);
}

MF_EXPORT int32_t MF_CALL MF_Authentication(int32_t device, int32_t keyType, int32_t block,
                                            const uint8_t* serial) {
    if (serial == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    auto payload = bytesOf({keyType, block});
    if (!payload) {
        return MF_ERR_BAD_ARGUMENT;
    }
    append(*payload, serial, protocol::kUidSize);
    return command(device, Command::Authenticate, *payload);
}

MF_EXPORT int32_t MF_CALL MF_Read(int32_t device, int32_t block, int32_t count, uint8_t* data) {
    if (data == nullptr || count < 1 || count > static_cast<int32_t>(protocol::kMaxBlocksPerCall)) {
        return MF_ERR_BAD_ARGUMENT;
    }
    const auto payload = bytesOf({block, count});
    if (!payload) {
        return MF_ERR_BAD_ARGUMENT;
    }
    const auto size = static_cast<std::size_t>(count) * protocol::kBlockSize;
    return copyOut(expectPayload(transact(device, Command::ReadBlocks, *payload), size), data);
}

MF_EXPORT int32_t MF_CALL MF_Write(int32_t device, int32_t block, int32_t count,
                                   const uint8_t* data) {
    if (data == nullptr || count < 1 || count > static_cast<int32_t>(protocol::kMaxBlocksPerCall)) {
        return MF_ERR_BAD_ARGUMENT;
    }
    auto payload = bytesOf({block, count});
    if (!payload) {
        return MF_ERR_BAD_ARGUMENT;
    }
    append(*payload, data, static_cast<std::size_t>(count) * protocol::kBlockSize);
    return command(device, Command::WriteBlocks, *payload);
}

MF_EXPORT int32_t MF_CALL MF_Value(int32_t device, int32_t operation, int32_t block,
                                   const int32_t* value) {
    if (value == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    auto payload = bytesOf({operation, block});
    if (!payload) {
        return MF_ERR_BAD_ARGUMENT;
    }
    protocol::appendI32(*payload, *value);
    return command(device, Command::ValueOperation, *payload);
}

MF_EXPORT int32_t MF_CALL MF_transfer(int32_t device, int32_t block) {
    return byteCommand(device, Command::Transfer, {block});
}

} // extern "C"
