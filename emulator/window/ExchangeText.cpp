#include "emulator/window/ExchangeText.h"

#include "emulator/model/HexText.h"
#include "protocol/Messages.h"

#include <MF_API.h>

#include <array>
#include <utility>

namespace kov450 {

namespace {

using Payload = std::vector<std::uint8_t>;

std::string keyTypeText(protocol::KeyType type) {
    switch (type) {
    case protocol::KeyType::A:
        return "key A";
    case protocol::KeyType::B:
        return "key B";
    }
    return "key type " + std::to_string(protocol::toByte(type));
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

std::string onOff(std::uint8_t value) {
    return value != 0 ? "on" : "off";
}

// Each payload in words; the same words whether it travels in a request or an answer.
std::string describe(const protocol::Empty&) {
    return "";
}
std::string describe(const protocol::Address& value) {
    return "address " + std::to_string(value.address);
}
std::string describe(const protocol::LineSpeed& value) {
    return std::to_string(value.bitsPerSecond) + " bit/s";
}
std::string describe(const protocol::VersionText& value) {
    return "\"" + printable(Payload(value.text.begin(), value.text.end())) + "\"";
}
std::string describe(const protocol::SerialNumber& value) {
    return "\"" + printable(Payload(value.bytes.begin(), value.bytes.end())) + "\"";
}
std::string describe(const protocol::SerialText& value) {
    return "\"" + printable(value.bytes) + "\"";
}
std::string describe(const protocol::Buzzer& value) {
    return std::to_string(value.duration * 10) + " ms";
}
std::string describe(const protocol::Leds& value) {
    return "red " + onOff(value.red) + ", green " + onOff(value.green);
}
std::string describe(const protocol::RfField& value) {
    return onOff(value.on);
}
std::string describe(const protocol::WiegandMode& value) {
    return onOff(value.mode) + ", format " + std::to_string(value.format);
}
std::string describe(const protocol::CardRequest& value) {
    return value.mode == protocol::RequestMode::All ? "all cards (WUPA)" : "idle cards (REQA)";
}
std::string describe(const protocol::CardType& value) {
    return "ATQA " + hexText(std::span(value.bytes).first(2)) + ", SAK " +
           hexText(std::span(value.bytes).subspan(2));
}
std::string describe(const protocol::CardUid& value) {
    return "UID " + hexText(value.uid);
}
std::string describe(const protocol::CardKey& value) {
    return "key " + hexText(value.key);
}
std::string describe(const protocol::KeySlot& value) {
    return keyTypeText(value.keyType) + ", slot " + std::to_string(value.slot);
}
std::string describe(const protocol::StoredKey& value) {
    return keyTypeText(value.keyType) + ", slot " + std::to_string(value.slot) + ", key " +
           hexText(value.key);
}
std::string describe(const protocol::Authentication& value) {
    return keyTypeText(value.keyType) + ", block " + std::to_string(value.block) + ", UID " +
           hexText(value.uid);
}
std::string describe(const protocol::BlockRange& value) {
    return "block " + std::to_string(value.block) + ", count " + std::to_string(value.count);
}
std::string describe(const protocol::BlockData& value) {
    return hexText(value.bytes);
}
std::string describe(const protocol::BlockWrite& value) {
    return "block " + std::to_string(value.block) + ", count " + std::to_string(value.count) +
           ", data " + hexText(value.data);
}
const char* operationName(protocol::ValueOperation operation) {
    switch (operation) {
    case protocol::ValueOperation::Increment:
        return "increment";
    case protocol::ValueOperation::Decrement:
        return "decrement";
    case protocol::ValueOperation::Restore:
        return "restore";
    }
    return "?";
}
std::string describe(const protocol::ValueRequest& value) {
    return std::string(operationName(value.operation)) + ", block " + std::to_string(value.block) +
           ", operand " + std::to_string(value.operand);
}
std::string describe(const protocol::TransferBlock& value) {
    return "block " + std::to_string(value.block);
}

/// The payload in words when it has its layout, else its bytes in hex.
template <typename Layout> std::string payloadText(const Payload& payload) {
    const auto value = protocol::decode<Layout>(payload);
    return value ? describe(*value) : hexText(payload);
}

} // namespace

std::string statusText(std::int32_t status) {
    static const std::array<std::pair<std::int32_t, const char*>, 24> kNames{{
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
        {MF_ERR_UNSAFE_PORT_FOLDER, "port folder not safe"},
        {MF_ERR_UNKNOWN_STATUS, "unknown status"},
    }};
    for (const auto& [code, name] : kNames) {
        if (code == status) {
            return std::to_string(status) + " " + name;
        }
    }
    return std::to_string(status);
}

ExchangeText describeExchange(const protocol::Frame& request, const protocol::Frame& answer) {
    ExchangeText text;
    text.status = statusText(answer.status);
    const auto known = protocol::visitCommand(request.command, [&](auto tag) {
        text.command = protocol::commandName(tag.value);
        text.arguments = payloadText<protocol::RequestOf<tag.value>>(request.payload);
        text.answer = payloadText<protocol::AnswerOf<tag.value>>(answer.payload);
        return true;
    });
    if (!known) {
        text.command = "command 0x" + hexText(std::span(&request.command, 1));
        text.arguments = hexText(request.payload);
        text.answer = hexText(answer.payload);
    }
    return text;
}

} // namespace kov450
