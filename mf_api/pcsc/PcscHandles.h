#pragma once

#include <winscard.h>

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace mfapi::pcsc {

// Every call here waits on pcscd for as long as it takes: only a PcscLink's thread makes them.

/// An established PC/SC context, released once.
class Context {
public:
    Context() = default;
    ~Context() { reset(); }
    Context(Context&& other) noexcept : context_(std::exchange(other.context_, 0)) {}
    Context& operator=(Context&& other) noexcept {
        if (this != &other) {
            reset();
            context_ = std::exchange(other.context_, 0);
        }
        return *this;
    }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    /// Establishes a context with the service; the PC/SC result says why not.
    [[nodiscard]] LONG establish();
    SCARDCONTEXT get() const { return context_; }
    void reset();

private:
    SCARDCONTEXT context_ = 0;
};

/// A connection to the card in a reader (or to the reader alone), disconnected once with its
/// disposition: reset by default, so that no later program inherits our authentication.
class CardHandle {
public:
    CardHandle() = default;
    CardHandle(SCARDHANDLE handle, DWORD protocol) : handle_(handle), protocol_(protocol) {}
    ~CardHandle() { reset(); }
    CardHandle(CardHandle&& other) noexcept
        : handle_(std::exchange(other.handle_, 0)), protocol_(other.protocol_),
          disposition_(other.disposition_) {}
    CardHandle& operator=(CardHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, 0);
            protocol_ = other.protocol_;
            disposition_ = other.disposition_;
        }
        return *this;
    }
    CardHandle(const CardHandle&) = delete;
    CardHandle& operator=(const CardHandle&) = delete;

    bool valid() const { return handle_ != 0; }
    SCARDHANDLE get() const { return handle_; }
    DWORD protocol() const { return protocol_; }
    /// How the card is left on disconnect (SCARD_RESET_CARD, SCARD_LEAVE_CARD).
    void leaveAs(DWORD disposition) { disposition_ = disposition; }
    void reset();

private:
    SCARDHANDLE handle_ = 0;
    DWORD protocol_ = 0;
    DWORD disposition_ = SCARD_RESET_CARD;
};

/// What the service says of a reader now.
struct ReaderStatus {
    DWORD eventState = 0;
    std::vector<std::uint8_t> atr;

    bool cardPresent() const {
        return (eventState & SCARD_STATE_PRESENT) != 0 && (eventState & SCARD_STATE_MUTE) == 0;
    }
    bool heldExclusively() const { return (eventState & SCARD_STATE_EXCLUSIVE) != 0; }
    /// pcsc-lite counts card insertions and removals in the upper 16 bits.
    std::uint16_t cardEvents() const { return static_cast<std::uint16_t>(eventState >> 16); }
};

/// The names of the readers the service knows, in its order.
[[nodiscard]] LONG listReaders(const Context& context, std::vector<std::string>& names);
/// Each reader's status now, without waiting: a zero timeout, never an unbounded one.
[[nodiscard]] LONG readerStatus(const Context& context, const std::vector<std::string>& names,
                                std::vector<ReaderStatus>& statuses);
/// Connects `card` to the card in `reader`, or with SCARD_SHARE_DIRECT to the reader alone (a
/// direct connection is left as it is at the end: it holds no card session).
[[nodiscard]] LONG connect(const Context& context, const std::string& reader, DWORD shareMode,
                           DWORD protocols, CardHandle& card);
/// Sends one APDU and gives the whole answer, status word included.
[[nodiscard]] LONG transmit(const CardHandle& card, std::span<const std::uint8_t> apdu,
                            std::vector<std::uint8_t>& answer);
/// An attribute of the reader (reader.h's SCARD_ATTR_...), as the driver gives it.
[[nodiscard]] LONG attribute(const CardHandle& card, DWORD id, std::vector<std::uint8_t>& value);

} // namespace mfapi::pcsc
