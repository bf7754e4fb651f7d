#pragma once

#include "emulator/model/Reader.h"
#include "emulator/pcsc/CardPort.h"
#include "emulator/pcsc/VpcdEndpoint.h"
#include "emulator/pcsc/VpcdFraming.h"

#include <asio.hpp>

#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kov450::pcsc {

/// Serves the first card in the reader's field to vsmartcard's vpcd driver (and so to pcscd)
/// over TCP: connected while a card lies in the field, disconnected when none does, so that
/// pcscd sees the card arrive and leave. What vpcd asks of the card goes to `port`, whose answer
/// goes back. Runs on the reader's thread, the one Asio loop.
class VpcdLink {
public:
    using Print = std::function<void(const std::string&)>;

    VpcdLink(asio::io_context& io, const Reader& reader, VpcdEndpoint endpoint, Print print,
             CardPort& port);
    ~VpcdLink();
    VpcdLink(const VpcdLink&) = delete;
    VpcdLink& operator=(const VpcdLink&) = delete;

    /// Starts following the field: now and whenever followField is called, and at the field
    /// checks a real reader makes too.
    void start();
    /// Connects, disconnects or changes card after the wallet changed.
    void followField();

    const VpcdEndpoint& endpoint() const { return endpoint_; }
    /// Answer bytes not yet taken by the connection: at most about kMostWaitingBytes, since a
    /// peer that reads no answers is sent no more of them; the link stops reading its commands.
    std::size_t waitingBytes() const { return waitingBytes_; }

    static constexpr std::size_t kMostWaitingBytes = 4096;

private:
    std::optional<Uid> cardInField() const;
    const MifareClassic* servedCard() const;
    void connect(const Uid& uid);
    void disconnect(const std::string& why);
    void readMore();
    /// Answers the commands already read while the answers fit, then reads on.
    void answerWaiting();
    void onMessage(const std::vector<std::uint8_t>& message);
    void send(std::span<const std::uint8_t> payload);
    void writeNext();
    void checkFieldLater();

    asio::io_context& io_;
    const Reader& reader_;
    VpcdEndpoint endpoint_;
    Print print_;
    CardPort& port_;
    asio::ip::tcp::socket socket_;
    asio::steady_timer fieldTimer_;
    VpcdDecoder decoder_;
    std::optional<Uid> served_; ///< The card the connection stands for, connected or on its way.
    bool connected_ = false;
    bool reportedUnreachable_ = false;
    std::array<std::uint8_t, 512> buffer_{};
    /// Commands read but not yet answered: at most one read's worth.
    std::deque<std::vector<std::uint8_t>> unanswered_;
    std::deque<std::vector<std::uint8_t>> outgoing_;
    std::size_t waitingBytes_ = 0;
    bool reading_ = false;
    bool writing_ = false;
    bool reportedNoReader_ = false;
    /// Tells the handlers of a closed connection from those of the current one.
    unsigned generation_ = 0;
};

} // namespace kov450::pcsc
