#include "emulator/model/PayloadLength.h"

#include "protocol/Command.h"

namespace kov450 {

using protocol::Command;

std::optional<bool> payloadLengthFits(std::uint8_t command, std::span<const std::uint8_t> payload) {
    const std::size_t length = payload.size();
    switch (static_cast<Command>(command)) {
    case Command::GetAddress:
    case Command::GetVersion:
    case Command::GetSerial:
    case Command::Reset:
    case Command::Anticollision:
    case Command::Halt:
        return length == 0;
    case Command::SetAddress:
    case Command::RfField:
    case Command::Request:
    case Command::Transfer:
        return length == 1;
    case Command::Buzzer:
    case Command::Leds:
    case Command::Wiegand:
    case Command::LoadStoredKey:
    case Command::ReadBlocks:
        return length == 2;
    case Command::SetLineSpeed:
    case Command::Select:
        return length == 4;
    case Command::LoadKey:
    case Command::Authenticate:
    case Command::ValueOperation:
        return length == 6;
    case Command::StoreKey:
        return length == 2 + protocol::kKeySize;
    case Command::SetSerial:
        return length <= protocol::kSerialNumberSize;
    case Command::WriteBlocks:
        // Block, count, then as many blocks as the count says.
        return length >= 2 && length == 2 + payload[1] * protocol::kBlockSize;
    }
    return std::nullopt;
}

} // namespace kov450
