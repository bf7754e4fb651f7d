#pragma once

#include "mf_api/pcsc/PcscHandles.h"

#include <winscard.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace mfapi::pcsc {

/// What one PC/SC call may take beyond the answer margin of every port: pcscd's own turnaround
/// (a look at a reader whose card is still powering sleeps 0.4 s in pcsc-lite; the first context
/// may start a socket-activated pcscd) and the reader's (a USB reader powers the card and reads
/// its ATR at a connect, and exchanges each command with the card over the air, a few hundred
/// milliseconds at most on common CCID readers).
inline constexpr std::chrono::milliseconds kServiceTurnaround{2000};

/// The deadline of each PC/SC call: the port's answer margin and the service's turnaround.
inline std::chrono::milliseconds pcscCallTimeout(std::chrono::milliseconds answerMargin) {
    return answerMargin + kServiceTurnaround;
}

/// A context with the PC/SC service and the card connected through it, owned by a thread of
/// their own that makes every call into libpcsclite; each call here waits for it until its
/// deadline and gives the PC/SC result, or SCARD_E_TIMEOUT once the deadline has passed.
///
/// pcsc-lite's client waits on pcscd without a timeout, holding the context's lock, and looks
/// contexts up under a lock of the whole process that it keeps while it waits for that context's
/// lock: a call that does not come back cannot be cancelled, and any other call that touches its
/// context hangs with it and blocks every PC/SC call of the process. So a call that runs out of
/// time leaves its thread behind, with the context and the card: the thread lets go of both when
/// the call returns, and touches nothing of ours. The card is then no longer connected, and the
/// next call that needs the service establishes a fresh context on a fresh thread.
class PcscLink {
public:
    explicit PcscLink(std::chrono::milliseconds callTimeout);
    /// Lets go of the card and the context within the deadline, else leaves them to the thread.
    ~PcscLink();
    PcscLink(PcscLink&&) noexcept = default;
    PcscLink& operator=(PcscLink&&) = delete;
    PcscLink(const PcscLink&) = delete;
    PcscLink& operator=(const PcscLink&) = delete;

    /// A context with the service, anew; the calls below establish one themselves when needed.
    [[nodiscard]] LONG establish();
    /// The names of the readers the service knows, in its order.
    [[nodiscard]] LONG listReaders(std::vector<std::string>& names);
    /// Each reader's status now (a zero timeout: the service never waits for a change).
    [[nodiscard]] LONG readerStatus(const std::vector<std::string>& names,
                                    std::vector<ReaderStatus>& statuses);
    /// Connects to the card in `reader`, or with SCARD_SHARE_DIRECT to the reader alone.
    [[nodiscard]] LONG connect(const std::string& reader, DWORD shareMode, DWORD protocols);
    bool cardConnected() const { return cardConnected_; }
    /// Lets go of the connection, leaving the card as `disposition` says. Nothing is left to
    /// do when the service fails it: the card is no longer ours.
    void disconnect(DWORD disposition);
    /// One APDU to the connected card; `answer` gets the whole response, status word included.
    [[nodiscard]] LONG transmit(std::span<const std::uint8_t> apdu,
                                std::vector<std::uint8_t>& answer);
    /// An attribute of the reader, through the connection.
    [[nodiscard]] LONG attribute(DWORD id, std::vector<std::uint8_t>& value);

private:
    struct Held;
    struct Worker;
    template <typename Value> struct Outcome;

    /// Runs `call` on the worker thread (starting one when there is none) and waits for it
    /// until the deadline; past it, the worker is left behind and the outcome is
    /// SCARD_E_TIMEOUT.
    template <typename Value, typename Call> Outcome<Value> run(Call call);
    [[nodiscard]] LONG ensureContext();
    /// Lets the worker go on alone: it ends once its call returns.
    void leaveBehind();

    std::chrono::milliseconds timeout_;
    std::shared_ptr<Worker> worker_;
    std::thread thread_;
    /// Workers left behind that have not ended yet; while too many wait on a stuck service,
    /// calls time out at once rather than leave one more thread behind.
    std::shared_ptr<std::atomic<int>> leftBehind_ = std::make_shared<std::atomic<int>>(0);
    bool hasContext_ = false;
    bool cardConnected_ = false;
};

} // namespace mfapi::pcsc
