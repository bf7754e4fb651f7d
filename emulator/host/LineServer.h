#pragma once

#include "emulator/host/LineFaults.h"
#include "emulator/host/PtyHost.h"
#include "emulator/host/ReaderSession.h"
#include "protocol/FrameDecoder.h"

#include <asio.hpp>

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace kov450 {

/// Serves the reader model on the pty: decodes requests, hands them to the reader's session,
/// sends the answers, and reports the reader's visible changes. Bytes that arrive while the
/// client's line speed differs from the reader's are garbage to the reader, as on a real line. With
/// pacing, each answer leaves only after the wire time of its request and of itself.
class LineServer {
public:
    using Print = std::function<void(const std::string&)>;
    /// Takes away the port names that lead to the pty.
    using Unpublish = std::function<void()>;

    LineServer(asio::io_context& io, PtyHost& pty, ReaderSession& session, LineFaults& faults,
               bool pace, Print print, Unpublish unpublish);
    ~LineServer();
    LineServer(const LineServer&) = delete;
    LineServer& operator=(const LineServer&) = delete;

    void start();

private:
    struct Outgoing {
        std::chrono::steady_clock::time_point due;
        std::vector<std::uint8_t> bytes;
    };

    void readMore();
    void onBytes(std::span<const std::uint8_t> bytes);
    void answer(const protocol::Frame& request, std::size_t requestBytes);
    /// The answer to a write that loses power after `wholeBlocks` blocks (LineFaults::tear).
    protocol::Frame tornWrite(const protocol::Frame& request, std::size_t wholeBlocks);
    void send(const protocol::Frame& reply, std::size_t requestBytes, std::uint32_t lineSpeed);
    void sendNext();
    void watchExclusiveFlag();
    /// Every card in the field leaves it, as when the card is taken away or loses power.
    void emptyField(const std::string& why);
    /// Closes the pty and removes the port names that point at it (LineFaults::vanish).
    void vanish();

    asio::io_context& io_;
    PtyHost& pty_;
    ReaderSession& session_;
    LineFaults& faults_;
    bool pace_;
    Print print_;
    Unpublish unpublish_;
    asio::posix::stream_descriptor master_;
    asio::steady_timer sendTimer_;
    asio::steady_timer exclusiveTimer_;
    protocol::FrameDecoder decoder_{protocol::FrameKind::Request};
    std::array<std::uint8_t, 512> readBuffer_{};
    std::deque<Outgoing> outgoing_;
    std::size_t queuedBytes_ = 0;
    bool losingAnswers_ = false;
    bool sending_ = false;
    bool reportedMismatch_ = false;
    bool vanished_ = false;
};

} // namespace kov450
