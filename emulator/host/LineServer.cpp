#include "emulator/host/LineServer.h"

#include "emulator/host/StateReport.h"
#include "protocol/FrameEncoder.h"
#include "protocol/WireTime.h"

#include <algorithm>

namespace kov450 {

namespace {

// How often a stale exclusive flag left by a killed client is looked for.
constexpr std::chrono::milliseconds kExclusiveCheck{500};

} // namespace

LineServer::LineServer(asio::io_context& io, PtyHost& pty, Reader& reader, LineFaults& faults,
                       bool pace, Print print)
    : io_(io), pty_(pty), reader_(reader), faults_(faults), pace_(pace), print_(std::move(print)),
      master_(io, pty.masterFd()), sendTimer_(io), exclusiveTimer_(io) {
}

LineServer::~LineServer() {
    // The pty host owns the descriptor.
    master_.release();
}

void LineServer::start() {
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
                                    print_("error: the pty failed: " + error.message());
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
    const std::uint32_t readerSpeed = reader_.state().lineSpeed;
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
        answer(request, protocol::kRequestOverhead + request.payload.size());
    }
}

void LineServer::answer(const protocol::Frame& request, std::size_t requestBytes) {
    const ReaderState before = reader_.state();
    const auto reply = reader_.handle(request);
    for (const std::string& line : describeChanges(before, reader_.state())) {
        print_(line);
    }
    if (!reply) {
        return;
    }
    auto encoded = protocol::encodeFrame(*reply);
    if (!encoded) {
        return;
    }
    if (faults_.corruptNextAnswer) {
        encoded->back() ^= 0x01;
        faults_.corruptNextAnswer = false;
    }
    Outgoing outgoing{std::chrono::steady_clock::now(), std::move(faults_.noise)};
    faults_.noise.clear();
    outgoing.bytes.insert(outgoing.bytes.end(), encoded->begin(), encoded->end());
    if (pace_) {
        // The answer goes out at the speed the reader had when the request came in.
        const auto start =
            outgoing_.empty() ? outgoing.due : std::max(outgoing.due, outgoing_.back().due);
        outgoing.due = start + protocol::wireTime(requestBytes + encoded->size(), before.lineSpeed);
    }
    outgoing_.push_back(std::move(outgoing));
    sendNext();
}

void LineServer::sendNext() {
    if (sending_ || outgoing_.empty()) {
        return;
    }
    sending_ = true;
    sendTimer_.expires_at(outgoing_.front().due);
    sendTimer_.async_wait([this](const asio::error_code& error) {
        if (error) {
            sending_ = false;
            return;
        }
        asio::async_write(master_, asio::buffer(outgoing_.front().bytes),
                          [this](const asio::error_code&, std::size_t) {
                              outgoing_.pop_front();
                              sending_ = false;
                              sendNext();
                          });
    });
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
