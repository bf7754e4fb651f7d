#pragma once

#include "mf_api/Result.h"
#include "protocol/Messages.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mfapi {

/// The reader's own functions beyond its cards: bus address, line speed, serial number, reset,
/// buzzer, LEDs, RF field and Wiegand output. Only some readers have them to reach; see
/// Backend::deviceFunctions.
class DeviceFunctions {
public:
    virtual ~DeviceFunctions() = default;
    DeviceFunctions() = default;
    DeviceFunctions(const DeviceFunctions&) = delete;
    DeviceFunctions& operator=(const DeviceFunctions&) = delete;

    [[nodiscard]] virtual std::int32_t setAddress(std::uint8_t device, std::uint8_t address) = 0;
    /// On success the host side follows the reader to the new speed.
    [[nodiscard]] virtual std::int32_t setLineSpeed(std::uint8_t device,
                                                    std::uint32_t bitsPerSecond) = 0;
    [[nodiscard]] virtual std::int32_t setSerial(std::uint8_t device,
                                                 std::span<const std::uint8_t> text) = 0;
    [[nodiscard]] virtual std::int32_t reset(std::uint8_t device) = 0;
    [[nodiscard]] virtual std::int32_t buzzer(std::uint8_t device, std::int16_t duration) = 0;
    [[nodiscard]] virtual std::int32_t leds(std::uint8_t device, std::uint8_t red,
                                            std::uint8_t green) = 0;
    [[nodiscard]] virtual std::int32_t rfField(std::uint8_t device, bool on) = 0;
    [[nodiscard]] virtual std::int32_t wiegand(std::uint8_t device, std::uint8_t mode,
                                               std::uint8_t format) = 0;
};

/// The reader's operations as typed calls, whatever carries them to the reader. The exported
/// functions check the caller's arguments and buffers and hold the library's lock; a back end
/// only carries out the operation. `device` is the reader's bus address (0 reaches any).
/// Every back end has the operations below; the reader's own functions are optional, and the
/// exports answer 11 (unknown command) for each of them, in one place, where a back end has none.
class Backend {
public:
    virtual ~Backend() = default;
    Backend() = default;
    Backend(const Backend&) = delete;
    Backend& operator=(const Backend&) = delete;

    /// The reader's own functions, or nothing when its back end has none to reach.
    virtual DeviceFunctions* deviceFunctions() { return nullptr; }

    virtual Result<std::uint8_t> getAddress(std::uint8_t device) = 0;
    virtual Result<std::string> getVersion(std::uint8_t device) = 0;
    virtual Result<protocol::SerialBytes> getSerial(std::uint8_t device) = 0;

    virtual Result<protocol::CardTypeBytes> request(std::uint8_t device,
                                                    protocol::RequestMode mode) = 0;
    virtual Result<protocol::Uid> anticollision(std::uint8_t device) = 0;
    [[nodiscard]] virtual std::int32_t select(std::uint8_t device, const protocol::Uid& uid) = 0;
    [[nodiscard]] virtual std::int32_t halt(std::uint8_t device) = 0;
    [[nodiscard]] virtual std::int32_t loadKey(std::uint8_t device, const protocol::Key& key) = 0;
    [[nodiscard]] virtual std::int32_t loadStoredKey(std::uint8_t device, protocol::KeyType keyType,
                                                     std::uint8_t slot) = 0;
    [[nodiscard]] virtual std::int32_t storeKey(std::uint8_t device, protocol::KeyType keyType,
                                                std::uint8_t slot, const protocol::Key& key) = 0;
    [[nodiscard]] virtual std::int32_t authenticate(std::uint8_t device, protocol::KeyType keyType,
                                                    std::uint8_t block,
                                                    const protocol::Uid& uid) = 0;
    /// `count` whole blocks from `block`.
    virtual Result<std::vector<std::uint8_t>> read(std::uint8_t device, std::uint8_t block,
                                                   std::uint8_t count) = 0;
    [[nodiscard]] virtual std::int32_t write(std::uint8_t device, std::uint8_t block,
                                             std::uint8_t count,
                                             std::span<const std::uint8_t> data) = 0;
    [[nodiscard]] virtual std::int32_t value(std::uint8_t device,
                                             protocol::ValueOperation operation, std::uint8_t block,
                                             std::int32_t operand) = 0;
    [[nodiscard]] virtual std::int32_t transfer(std::uint8_t device, std::uint8_t block) = 0;

    /// The reader is gone for good (device vanished, service ended): the port is to be closed.
    virtual bool gone() const = 0;
};

} // namespace mfapi
