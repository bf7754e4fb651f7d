#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

namespace mfapi::framed {

using Clock = std::chrono::steady_clock;

/// How one transfer on the line ended.
enum class IoResult {
    Done,
    TimedOut,
    Gone,  ///< End of file or EIO: the device vanished (USB pulled, reader host ended).
    Failed ///< Any other operating system error.
};

/// A byte stream to a reader, serial or TCP. Every call returns by its deadline.
class Transport {
public:
    virtual ~Transport() = default;
    Transport() = default;
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    [[nodiscard]] virtual IoResult writeAll(std::span<const std::uint8_t> bytes,
                                            Clock::time_point deadline) = 0;
    /// Reads what arrives, at least one byte unless the result is not Done.
    [[nodiscard]] virtual IoResult readSome(std::span<std::uint8_t> buffer, std::size_t& received,
                                            Clock::time_point deadline) = 0;
    /// Drops input that arrived before the command about to be sent.
    virtual void discardInput() = 0;
    /// Switches the host side of the line to a new speed; returns an MF_API status.
    [[nodiscard]] virtual std::int32_t setLineSpeed(std::uint32_t bitsPerSecond) = 0;
};

} // namespace mfapi::framed
