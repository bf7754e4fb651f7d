#include "emulator/host/LineServer.h"

#include "emulator/host/ErrorLine.h"
#include "emulator/host/StateReport.h"
#include "protocol/Command.h"
#include "protocol/FrameEncoder.h"
#include "protocol/WireTime.h"

#include "protocol/Status.h"

#include <algorithm>

namespace kov450 {

namespace {

// How often a stale exclusive flag left by a killed client is looked for.
constexpr std::chrono::milliseconds kExclusiveCheck{500};
// Answers waiting for a client that does not read them. Past this, new answers are lost, as
// bytes are when a UART's receive buffer is full; the host keeps no more than this.
constexpr std::size_t kMostQueuedBytes = 4096;

} // namespace

LineServer::LineServer(asio::io_context& io, PtyHost& pty, ReaderSession& session,
                       LineFaults& faults, bool pace, Print print, Unpublish unpublish)
    : io_(io), pty_(pty), session_(session), faults_(faults), pace_(pace), print_(std::move(print)),
      unpublish_(std::move(unpublish)), master_(io, pty.masterFd()), sendTimer_(io),
      exclusiveTimer_(io) {
}

LineServer::~LineServer() {
    // The pty host owns the descriptor.
    master_.release();
}

void LineServer::start() {
    faults_.vanish = [this] {
        vanish();
    };
    readMore();
    watchExclusiveFlag();
}

void LineServer::readMore() {
    master_.async_read_some(asio::buffer(readBuffer_),
                            [this](const asio::error_code& error, std::size_t received) {
                                if (error == asio::error::operation_aborted) {
                                    return;
                                }
                                if (error) {
                                    // We hold the slave open, so this is no client going away.
                                    print_(errorLine("the pty failed: " + error.message()));
                                    io_.stop();
                                    return;
                                }
                                onBytes(std::span(readBuffer_).first(received));
                                readMore();
                            });
}

void LineServer::onBytes(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> heard(bytes.begin(), bytes.end());
    const auto clientSpeed = pty_.clientLineSpeed();
    const std::uint32_t readerSpeed = session_.reader().state().lineSpeed;
    const bool mismatch = clientSpeed && *clientSpeed != readerSpeed;
    if (mismatch) {
        // A UART sampling at the wrong rate reads other bits than were sent.
        std::transform(heard.begin(), heard.end(), heard.begin(),
                       [](std::uint8_t byte) { return static_cast<std::uint8_t>(byte ^ 0xFF); });
        if (!reportedMismatch_) {
            print_("event: line speed mismatch: host " + std::to_string(*clientSpeed) +
                   ", reader " + std::to_string(readerSpeed) + "; frames are garbage");
        }
    }
    reportedMismatch_ = mismatch;
    const auto decoded = decoder_.feed(heard);
    for (const protocol::Frame& request : decoded.frames) {
        if (faults_.mute) {
            continue; // a hung reader takes nothing in
        }
        answer(request, protocol::kRequestOverhead + request.payload.size());
    }
}

void LineServer::answer(const protocol::Frame& request, std::size_t requestBytes) {
    const ReaderState before = session_.reader().state();
    const bool forUs = request.address == 0 || request.address == before.address;
    std::optional<protocol::Frame> reply;
    if (forUs && faults_.tearNextWrite &&
        request.command == protocol::toByte(protocol::Command::WriteBlocks)) {
        reply = tornWrite(request, *faults_.tearNextWrite);
        faults_.tearNextWrite.reset();
    } else {
        reply = session_.apply(LineRequest{request});
    }
    for (const std::string& line : describeChanges(before, session_.reader().state())) {
        print_(line);
    }
    if (reply && faults_.pullAfterRead &&
        request.command == protocol::toByte(protocol::Command::ReadBlocks)) {
        faults_.pullAfterRead = false;
        emptyField("after the read");
    }
    if (reply) {
        send(*reply, requestBytes, before.lineSpeed);
    }
}

protocol::Frame LineServer::tornWrite(const protocol::Frame& request, std::size_t wholeBlocks) {
    // Power goes while a block travels to the card: the card never programs a block it did not
    // receive whole, so the blocks before it are written and it and the rest keep their content.
    const std::size_t count = request.payload.size() >= 2 ? request.payload[1] : 0;
    const std::size_t written = count == 0 ? 0 : std::min(wholeBlocks, count - 1);
    if (written > 0) {
        protocol::Frame partial = request;
        partial.payload[1] = static_cast<std::uint8_t>(written);
        partial.payload.resize(
            std::min(partial.payload.size(), 2 + written * protocol::kBlockSize));
        // The client never hears of the blocks that made it: the answer is the lost power's.
        static_cast<void>(session_.apply(LineRequest{std::move(partial)}));
    }
    emptyField("power lost during a write after " + std::to_string(written) + " block(s)");
    return protocol::Frame{protocol::FrameKind::Answer,
                           session_.reader().state().address,
                           request.command,
                           protocol::status::kCardNoAnswer,
                           {}};
}

void LineServer::send(const protocol::Frame& reply, std::size_t requestBytes,
                      std::uint32_t lineSpeed) {
    auto encoded = protocol::encodeFrame(reply);
    if (!encoded || vanished_) {
        return;
    }
    if (faults_.dropNextAnswer) {
        faults_.dropNextAnswer = false;
        print_("fault: an answer was dropped");
        return;
    }
    if (faults_.corruptNextAnswer) {
        encoded->back() ^= 0x01;
        faults_.corruptNextAnswer = false;
    }
    Outgoing outgoing{std::chrono::steady_clock::now(), std::move(faults_.noise)};
    faults_.noise.clear();
    outgoing.bytes.insert(outgoing.bytes.end(), encoded->begin(), encoded->end());
    if (faults_.wrongSpeed) {
        // What a UART at the host's speed makes of bits sent at another.
        std::transform(outgoing.bytes.begin(), outgoing.bytes.end(), outgoing.bytes.begin(),
                       [](std::uint8_t byte) { return static_cast<std::uint8_t>(byte ^ 0xFF); });
    }
    if (pace_) {
        // The answer goes out at the speed the reader had when the request came in.
        const auto start =
            outgoing_.empty() ? outgoing.due : std::max(outgoing.due, outgoing_.back().due);
        outgoing.due = start + protocol::wireTime(requestBytes + encoded->size(), lineSpeed);
    }
    outgoing.due += faults_.delayNextAnswer;
    faults_.delayNextAnswer = std::chrono::milliseconds{0};
    // One answer always fits, however much noise goes ahead of it.
    if (!outgoing_.empty() && queuedBytes_ + outgoing.bytes.size() > kMostQueuedBytes) {
        if (!losingAnswers_) {
            print_("event: the client reads no answers; answers are lost until it does");
            losingAnswers_ = true;
        }
        return;
    }
    queuedBytes_ += outgoing.bytes.size();
    outgoing_.push_back(std::move(outgoing));
    sendNext();
}

void LineServer::sendNext() {
    if (sending_ || outgoing_.empty() || vanished_) {
        return;
    }
    sending_ = true;
    sendTimer_.expires_at(outgoing_.front().due);
    sendTimer_.async_wait([this](const asio::error_code& error) {
        if (error || vanished_) {
            sending_ = false;
            return;
        }
        asio::async_write(master_, asio::buffer(outgoing_.front().bytes),
                          [this](const asio::error_code& writeError, std::size_t) {
                              sending_ = false;
                              if (writeError == asio::error::operation_aborted || vanished_) {
                                  return;
                              }
                              queuedBytes_ -= outgoing_.front().bytes.size();
                              outgoing_.pop_front();
                              losingAnswers_ = losingAnswers_ && !outgoing_.empty();
                              sendNext();
                          });
    });
}

void LineServer::emptyField(const std::string& why) {
    std::vector<Uid> inField;
    for (const CardSlot& slot : session_.reader().cards()) {
        if (slot.inField) {
            inField.push_back(slot.card.uid());
        }
    }
    for (const Uid& uid : inField) {
        for (const std::string& line : session_.apply(WalletCommand{TakeCardAway{uid}})) {
            print_("fault: " + why + ": " + line);
        }
    }
}

void LineServer::vanish() {
    if (vanished_) {
        return;
    }
    vanished_ = true;
    sendTimer_.cancel();
    exclusiveTimer_.cancel();
    // Ends the pending read and write; their handlers see operation_aborted.
    master_.release();
    unpublish_();
    pty_.close();
    print_("fault: the pty is closed");
}

void LineServer::watchExclusiveFlag() {
    exclusiveTimer_.expires_after(kExclusiveCheck);
    exclusiveTimer_.async_wait([this](const asio::error_code& error) {
        if (error) {
            return;
        }
        pty_.clearStaleExclusiveFlag();
        watchExclusiveFlag();
    });
}

} // namespace kov450
