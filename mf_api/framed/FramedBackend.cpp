#include "mf_api/framed/FramedBackend.h"

#include "mf_api/LineSpeed.h"
#include "mf_api/framed/Connection.h"
#include "mf_api/framed/SerialTransport.h"
#include "mf_api/framed/TcpTransport.h"

#include <MF_API.h>

namespace mfapi::framed {

namespace {

using protocol::Command;

/// A KOV450 reader has every function of its own: the back end gives them all.
class FramedBackend final : public Backend, public DeviceFunctions {
public:
    explicit FramedBackend(std::unique_ptr<Connection> connection)
        : connection_(std::move(connection)) {}

    DeviceFunctions* deviceFunctions() override { return this; }

    Result<std::uint8_t> getAddress(std::uint8_t device) override {
        const auto answer = call<Command::GetAddress>(device, {});
        return {answer.status, answer.value.address};
    }
    std::int32_t setAddress(std::uint8_t device, std::uint8_t address) override {
        return call<Command::SetAddress>(device, {address}).status;
    }
    std::int32_t setLineSpeed(std::uint8_t device, std::uint32_t bitsPerSecond) override {
        const std::int32_t status = call<Command::SetLineSpeed>(device, {bitsPerSecond}).status;
        return status == MF_OK ? connection_->changeLineSpeed(bitsPerSecond) : status;
    }
    Result<std::string> getVersion(std::uint8_t device) override {
        auto answer = call<Command::GetVersion>(device, {});
        return {answer.status, std::move(answer.value.text)};
    }
    Result<protocol::SerialBytes> getSerial(std::uint8_t device) override {
        const auto answer = call<Command::GetSerial>(device, {});
        return {answer.status, answer.value.bytes};
    }
    std::int32_t setSerial(std::uint8_t device, std::span<const std::uint8_t> text) override {
        return call<Command::SetSerial>(device, {{text.begin(), text.end()}}).status;
    }
    std::int32_t reset(std::uint8_t device) override {
        return call<Command::Reset>(device, {}).status;
    }
    std::int32_t buzzer(std::uint8_t device, std::int16_t duration) override {
        return call<Command::Buzzer>(device, {duration}).status;
    }
    std::int32_t leds(std::uint8_t device, std::uint8_t red, std::uint8_t green) override {
        return call<Command::Leds>(device, {red, green}).status;
    }
    std::int32_t rfField(std::uint8_t device, bool on) override {
        return call<Command::RfField>(device, {static_cast<std::uint8_t>(on ? 1 : 0)}).status;
    }
    std::int32_t wiegand(std::uint8_t device, std::uint8_t mode, std::uint8_t format) override {
        return call<Command::Wiegand>(device, {mode, format}).status;
    }
    Result<protocol::CardTypeBytes> request(std::uint8_t device,
                                            protocol::RequestMode mode) override {
        const auto answer = call<Command::Request>(device, {mode});
        return {answer.status, answer.value.bytes};
    }
    Result<protocol::Uid> anticollision(std::uint8_t device) override {
        const auto answer = call<Command::Anticollision>(device, {});
        return {answer.status, answer.value.uid};
    }
    std::int32_t select(std::uint8_t device, const protocol::Uid& uid) override {
        return call<Command::Select>(device, {uid}).status;
    }
    std::int32_t halt(std::uint8_t device) override {
        return call<Command::Halt>(device, {}).status;
    }
    std::int32_t loadKey(std::uint8_t device, const protocol::Key& key) override {
        return call<Command::LoadKey>(device, {key}).status;
    }
    std::int32_t loadStoredKey(std::uint8_t device, protocol::KeyType keyType,
                               std::uint8_t slot) override {
        return call<Command::LoadStoredKey>(device, {keyType, slot}).status;
    }
    std::int32_t storeKey(std::uint8_t device, protocol::KeyType keyType, std::uint8_t slot,
                          const protocol::Key& key) override {
        return call<Command::StoreKey>(device, {keyType, slot, key}).status;
    }
    std::int32_t authenticate(std::uint8_t device, protocol::KeyType keyType, std::uint8_t block,
                              const protocol::Uid& uid) override {
        return call<Command::Authenticate>(device, {keyType, block, uid}).status;
    }
    Result<std::vector<std::uint8_t>> read(std::uint8_t device, std::uint8_t block,
                                           std::uint8_t count) override {
        auto answer = call<Command::ReadBlocks>(device, {block, count});
        if (answer.status == MF_OK && answer.value.bytes.size() != count * protocol::kBlockSize) {
            return {MF_ERR_BAD_FRAME, {}};
        }
        return {answer.status, std::move(answer.value.bytes)};
    }
    std::int32_t write(std::uint8_t device, std::uint8_t block, std::uint8_t count,
                       std::span<const std::uint8_t> data) override {
        return call<Command::WriteBlocks>(device, {block, count, {data.begin(), data.end()}})
            .status;
    }
    std::int32_t value(std::uint8_t device, protocol::ValueOperation operation, std::uint8_t block,
                       std::int32_t operand) override {
        return call<Command::ValueOperation>(device, {operation, block, operand}).status;
    }
    std::int32_t transfer(std::uint8_t device, std::uint8_t block) override {
        return call<Command::Transfer>(device, {block}).status;
    }

    bool gone() const override { return connection_->gone(); }

private:
    /// One exchange; an answer without the layout of its command is a bad frame.
    template <Command C>
    Result<protocol::AnswerOf<C>> call(std::uint8_t device, const protocol::RequestOf<C>& request) {
        const Reply reply = connection_->exchange(device, C, protocol::encode(request));
        if (reply.status != MF_OK) {
            return {reply.status, {}};
        }
        auto answer = protocol::decode<protocol::AnswerOf<C>>(reply.value);
        if (!answer) {
            return {MF_ERR_BAD_FRAME, {}};
        }
        return {MF_OK, std::move(*answer)};
    }

    std::unique_ptr<Connection> connection_;
};

// A connect over the network may take longer than a reader's answer, but not without bound.
constexpr std::chrono::milliseconds kConnectTimeout{2000};

Result<std::unique_ptr<Backend>> framedOver(Result<std::unique_ptr<Transport>> opened,
                                            std::uint32_t bitsPerSecond,
                                            std::chrono::milliseconds margin) {
    if (opened.status != MF_OK) {
        return {opened.status, {}};
    }
    return {MF_OK, std::make_unique<FramedBackend>(std::make_unique<Connection>(
                       std::move(opened.value), bitsPerSecond, margin))};
}

} // namespace

Result<std::unique_ptr<Backend>> openFramedBackend(const DevicePort& device,
                                                   std::uint32_t bitsPerSecond,
                                                   std::chrono::milliseconds margin) {
    if (!isLineSpeed(bitsPerSecond)) {
        return {MF_ERR_BAD_SPEED, {}};
    }
    return framedOver(openSerialTransport(device, bitsPerSecond), bitsPerSecond, margin);
}

Result<std::unique_ptr<Backend>> openFramedBackend(const TcpPort& tcp, std::uint32_t bitsPerSecond,
                                                   std::chrono::milliseconds margin) {
    if (!isLineSpeed(bitsPerSecond)) {
        return {MF_ERR_BAD_SPEED, {}};
    }
    return framedOver(openTcpTransport(tcp.host, tcp.port, kConnectTimeout), bitsPerSecond, margin);
}

} // namespace mfapi::framed
