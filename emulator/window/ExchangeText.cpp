#include "emulator/window/ExchangeText.h"

#include "emulator/model/HexText.h"
#include "protocol/Bytes.h"
#include "protocol/Command.h"

#include <MF_API.h>

#include <array>
#include <utility>

namespace kov450 {

namespace {

using protocol::Command;
using Payload = std::vector<std::uint8_t>;

std::string keyTypeText(std::uint8_t code) {
    return code == 1 ? "key A" : code == 0 ? "key B" : "key type " + std::to_string(code);
}

std::string printable(const Payload& bytes) {
    std::string text;
    for (const std::uint8_t byte : bytes) {
        if (byte == 0) {
            break;
        }
        text += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
    }
    return text;
}

std::string requestArguments(Command command, const Payload& p) {
    const auto hex = [&](std::size_t from, std::size_t length) {
        return hexText(std::span(p).subspan(from, length));
    };
    switch (command) {
    case Command::SetAddress:
        return p.size() == 1 ? "address " + std::to_string(p[0]) : hexText(p);
    case Command::SetLineSpeed:
        return p.size() == 4 ? std::to_string(protocol::readU32(p)) + " bit/s" : hexText(p);
    case Command::SetSerial:
        return "\"" + printable(p) + "\"";
    case Command::Buzzer:
        return p.size() == 2 ? std::to_string(protocol::readI16(p) * 10) + " ms" : hexText(p);
    case Command::Leds:
        return p.size() == 2 ? std::string("red ") + (p[0] ? "on" : "off") + ", green " +
                                   (p[1] ? "on" : "off")
                             : hexText(p);
    case Command::RfField:
        return p.size() == 1 ? std::string(p[0] ? "on" : "off") : hexText(p);
    case Command::Wiegand:
        return p.size() == 2 ? std::string(p[0] ? "on" : "off") + ", format " + std::to_string(p[1])
                             : hexText(p);
    case Command::Request:
        return p.size() == 1 ? std::string(p[0] == 1 ? "all cards (WUPA)" : "idle cards (REQA)")
                             : hexText(p);
    case Command::Select:
        return "UID " + hexText(p);
    case Command::LoadKey:
        return "key " + hexText(p);
    case Command::LoadStoredKey:
        return p.size() == 2 ? keyTypeText(p[0]) + ", slot " + std::to_string(p[1]) : hexText(p);
    case Command::StoreKey:
        return p.size() == 8
                   ? keyTypeText(p[0]) + ", slot " + std::to_string(p[1]) + ", key " + hex(2, 6)
                   : hexText(p);
    case Command::Authenticate:
        return p.size() == 6
                   ? keyTypeText(p[0]) + ", block " + std::to_string(p[1]) + ", UID " + hex(2, 4)
                   : hexText(p);
    case Command::ReadBlocks:
        return p.size() == 2 ? "block " + std::to_string(p[0]) + ", count " + std::to_string(p[1])
                             : hexText(p);
    case Command::WriteBlocks:
        return p.size() >= 2 ? "block " + std::to_string(p[0]) + ", count " + std::to_string(p[1]) +
                                   ", data " + hex(2, p.size() - 2)
                             : hexText(p);
    case Command::ValueOperation: {
        static constexpr std::array<const char*, 4> kNames{"?", "increment", "decrement",
                                                           "restore"};
        if (p.size() != 6) {
            return hexText(p);
        }
        return std::string(p[0] < kNames.size() ? kNames[p[0]] : "?") + ", block " +
               std::to_string(p[1]) + ", operand " +
               std::to_string(protocol::readI32(std::span(p).subspan(2)));
    }
    case Command::Transfer:
        return p.size() == 1 ? "block " + std::to_string(p[0]) : hexText(p);
    default:
        return hexText(p);
    }
}

std::string answerText(Command command, const Payload& p) {
    switch (command) {
    case Command::GetAddress:
        return p.size() == 1 ? "address " + std::to_string(p[0]) : hexText(p);
    case Command::GetVersion:
    case Command::GetSerial:
        return "\"" + printable(p) + "\"";
    case Command::Request:
        return p.size() == 3 ? "ATQA " + hexText(std::span(p).first(2)) + ", SAK " +
                                   hexText(std::span(p).subspan(2))
                             : hexText(p);
    case Command::Anticollision:
        return "UID " + hexText(p);
    default:
        return hexText(p);
    }
}

} // namespace

std::string statusText(std::int32_t status) {
    static const std::array<std::pair<std::int32_t, const char*>, 22> kNames{{
        {MF_OK, "OK"},
        {MF_ERR_NO_CARD, "no card"},
        {MF_ERR_CARD_NO_ANSWER, "card no longer answers"},
        {MF_ERR_AUTH_FAILED, "authentication failed"},
        {MF_ERR_NOT_AUTHENTICATED, "not authenticated"},
        {MF_ERR_ACCESS_DENIED, "access denied"},
        {MF_ERR_BAD_BLOCK, "bad block"},
        {MF_ERR_NOT_SELECTED, "not selected"},
        {MF_ERR_NOT_VALUE_BLOCK, "not a value block"},
        {MF_ERR_PORT_BUSY, "port busy"},
        {MF_ERR_BAD_PARAMETER, "bad parameter"},
        {MF_ERR_UNKNOWN_COMMAND, "unknown command"},
        {MF_ERR_NO_VALUE_PENDING, "no value pending"},
        {MF_ERR_NOT_OPEN, "port not open"},
        {MF_ERR_TIMEOUT, "timeout"},
        {MF_ERR_BAD_FRAME, "bad frame"},
        {MF_ERR_DEVICE_GONE, "device gone"},
        {MF_ERR_NO_SUCH_PORT, "no such port"},
        {MF_ERR_PERMISSION, "permission denied"},
        {MF_ERR_BAD_ARGUMENT, "bad argument"},
        {MF_ERR_IO, "input/output error"},
        {MF_ERR_BAD_SPEED, "bad line speed"},
    }};
    for (const auto& [code, name] : kNames) {
        if (code == status) {
            return std::to_string(status) + " " + name;
        }
    }
    return std::to_string(status);
}

ExchangeText describeExchange(const protocol::Frame& request, const protocol::Frame& answer) {
    static const std::array<std::pair<Command, const char*>, 23> kCommands{{
        {Command::GetAddress, "Get address"},
        {Command::SetAddress, "Set address"},
        {Command::SetLineSpeed, "Set line speed"},
        {Command::GetVersion, "Get version"},
        {Command::GetSerial, "Get serial number"},
        {Command::SetSerial, "Set serial number"},
        {Command::Reset, "Reset"},
        {Command::Buzzer, "Buzzer"},
        {Command::Leds, "LEDs"},
        {Command::RfField, "RF field"},
        {Command::Wiegand, "Wiegand"},
        {Command::Request, "Request"},
        {Command::Anticollision, "Anticollision"},
        {Command::Select, "Select"},
        {Command::Halt, "Halt"},
        {Command::LoadKey, "Load key"},
        {Command::LoadStoredKey, "Load stored key"},
        {Command::StoreKey, "Store key"},
        {Command::Authenticate, "Authenticate"},
        {Command::ReadBlocks, "Read blocks"},
        {Command::WriteBlocks, "Write blocks"},
        {Command::ValueOperation, "Value operation"},
        {Command::Transfer, "Transfer"},
    }};
    ExchangeText text;
    const auto command = static_cast<Command>(request.command);
    text.command = "command 0x" + hexText(std::span(&request.command, 1));
    for (const auto& [known, name] : kCommands) {
        if (known == command) {
            text.command = name;
        }
    }
    text.arguments = requestArguments(command, request.payload);
    text.status = statusText(answer.status);
    text.answer = answerText(command, answer.payload);
    return text;
}

} // namespace kov450
