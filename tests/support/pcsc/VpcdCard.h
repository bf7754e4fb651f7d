#pragma once

// A card of the test's own in vsmartcard's vpcd reader, for the faults a real card shows and
// kov450-emu does not play: a card that stops answering, or that answers with nothing.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace testing_support {

/// A MIFARE Classic 1K card that connects to vpcd (in pcsc_sandbox's network) and speaks its
/// framing: each message a 2-byte big-endian length and that many bytes, a 1-byte message being
/// control (00 power off, 01 on, 02 reset, 04 the ATR). It answers the ATR, the UID (FF CA) and
/// every other APDU with 90 00, so that a sector opens as on any card, but meets each Read
/// Binary (FF B0) with its fault (or refusal). It counts the reads that reached it, and leaves the
/// reader (vpcd sees its connection end) when closed or destroyed.
class VpcdCard {
public:
    enum class Fault {
        Silent,              ///< never answers a read
        EmptyAnswer,         ///< answers a read with a message of no bytes
        SecurityNotSatisfied ///< refuses a read with 69 82, as several readers do
    };

    static constexpr std::array<std::uint8_t, 4> kUid{0x5A, 0x1E, 0x27, 0x00};

    explicit VpcdCard(Fault fault, std::uint16_t port = 35963) : fault_(fault) {
        socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in vpcd{};
        vpcd.sin_family = AF_INET;
        vpcd.sin_port = htons(port);
        vpcd.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (socket_ >= 0 &&
            ::connect(socket_, reinterpret_cast<const sockaddr*>(&vpcd), sizeof vpcd) == 0) {
            thread_ = std::thread([this] { serve(); });
        }
    }
    ~VpcdCard() { close(); }
    VpcdCard(const VpcdCard&) = delete;
    VpcdCard& operator=(const VpcdCard&) = delete;

    /// Whether vpcd's port took the connection.
    bool connected() const { return thread_.joinable(); }

    /// Takes the card out of the reader; a read still waiting at vpcd then fails there.
    void close() {
        if (socket_ >= 0) {
            ::shutdown(socket_, SHUT_RDWR);
        }
        if (thread_.joinable()) {
            thread_.join();
        }
        if (socket_ >= 0) {
            ::close(socket_);
            socket_ = -1;
        }
    }

    std::size_t reads() const {
        const std::lock_guard lock(mutex_);
        return reads_;
    }

    /// Waits until `count` reads have reached the card.
    bool waitForReads(std::size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return readSeen_.wait_for(lock, timeout, [&] { return reads_ >= count; });
    }

private:
    using Bytes = std::vector<std::uint8_t>;

    void serve() {
        Bytes message;
        while (receive(message)) {
            if (message.size() == 1) {
                if (message[0] == 0x04) {
                    send(atr());
                }
                continue; // power and reset need no answer
            }
            if (message.size() >= 2 && message[0] == 0xFF && message[1] == 0xB0) {
                {
                    const std::lock_guard lock(mutex_);
                    ++reads_;
                }
                readSeen_.notify_all();
                if (fault_ == Fault::EmptyAnswer) {
                    send({});
                } else if (fault_ == Fault::SecurityNotSatisfied) {
                    send({0x69, 0x82});
                }
                continue;
            }
            if (message.size() >= 2 && message[0] == 0xFF && message[1] == 0xCA) {
                send({kUid[0], kUid[1], kUid[2], kUid[3], 0x90, 0x00});
            } else {
                send({0x90, 0x00});
            }
        }
    }

    /// A storage card's ATR (PC/SC part 3): RID A0 00 00 03 06, ISO 14443 A part 3, card name
    /// 00 01 (MIFARE Classic 1K), and the check byte.
    static Bytes atr() {
        Bytes bytes{0x3B, 0x8F, 0x80, 0x01, 0x80, 0x4F, 0x0C, 0xA0, 0x00, 0x00,
                    0x03, 0x06, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00};
        std::uint8_t check = 0;
        for (std::size_t at = 1; at < bytes.size(); ++at) {
            check ^= bytes[at];
        }
        bytes.push_back(check);
        return bytes;
    }

    bool receive(Bytes& message) {
        std::array<std::uint8_t, 2> length{};
        if (!receiveAll(length.data(), length.size())) {
            return false;
        }
        message.resize(static_cast<std::size_t>(length[0]) << 8 | length[1]);
        return message.empty() || receiveAll(message.data(), message.size());
    }

    bool receiveAll(std::uint8_t* bytes, std::size_t size) {
        return ::recv(socket_, bytes, size, MSG_WAITALL) == static_cast<ssize_t>(size);
    }

    void send(const Bytes& payload) {
        Bytes bytes{static_cast<std::uint8_t>(payload.size() >> 8),
                    static_cast<std::uint8_t>(payload.size() & 0xFF)};
        bytes.insert(bytes.end(), payload.begin(), payload.end());
        [[maybe_unused]] const auto sent =
            ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }

    Fault fault_;
    int socket_ = -1;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable readSeen_;
    std::size_t reads_ = 0;
};

} // namespace testing_support
