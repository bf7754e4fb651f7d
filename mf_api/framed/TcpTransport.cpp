#include "mf_api/framed/TcpTransport.h"

#include "mf_api/LineSpeed.h"
#include "mf_api/framed/AsioDeadline.h"
#include "mf_api/framed/HostLookup.h"

#include <MF_API.h>

#include <asio.hpp>

#include <algorithm>
#include <array>

namespace mfapi::framed {

namespace {

class TcpTransport final : public Transport {
public:
    TcpTransport() = default;

    ~TcpTransport() override {
        asio::error_code ignored;
        socket_.close(ignored);
    }

    std::int32_t connect(const std::string& host, std::uint16_t port, Clock::time_point deadline) {
        // The name is looked up within the same limit as the connect.
        const auto lookup = lookUpHost(host, port, deadline);
        if (lookup.status != MF_OK) {
            return lookup.status;
        }
        const auto& endpoints = lookup.value;
        const IoOutcome outcome = runUntil(io_, socket_, deadline, [&](auto handler) {
            asio::async_connect(
                socket_, endpoints,
                [handler](const asio::error_code& failure, const auto&) { handler(failure, 0); });
        });
        if (outcome.timedOut) {
            return MF_ERR_TIMEOUT;
        }
        if (outcome.error == asio::error::connection_refused) {
            return MF_ERR_NO_SUCH_PORT;
        }
        if (outcome.error) {
            return MF_ERR_IO;
        }
        asio::error_code ignored;
        socket_.set_option(asio::ip::tcp::no_delay(true), ignored);
        return MF_OK;
    }

    IoResult writeAll(std::span<const std::uint8_t> bytes, Clock::time_point deadline) override {
        return writeAllBefore(io_, socket_, bytes, deadline);
    }

    IoResult readSome(std::span<std::uint8_t> buffer, std::size_t& received,
                      Clock::time_point deadline) override {
        return readSomeBefore(io_, socket_, buffer, received, deadline);
    }

    void discardInput() override {
        // Only what is waiting now: a peer that keeps sending would keep a loop here for ever.
        asio::error_code error;
        std::size_t waiting = socket_.available(error);
        std::array<std::uint8_t, 256> scratch{};
        while (waiting > 0 && !error) {
            const std::size_t dropped =
                socket_.read_some(asio::buffer(scratch, std::min(waiting, scratch.size())), error);
            waiting -= std::min(waiting, dropped);
        }
    }

    std::int32_t setLineSpeed(std::uint32_t bitsPerSecond) override {
        return isLineSpeed(bitsPerSecond) ? MF_OK : MF_ERR_BAD_SPEED;
    }

private:
    asio::io_context io_{1};
    asio::ip::tcp::socket socket_{io_};
};

} // namespace

Result<std::unique_ptr<Transport>> openTcpTransport(const std::string& host, std::uint16_t port,
                                                    std::chrono::milliseconds timeout) {
    auto transport = std::make_unique<TcpTransport>();
    if (const std::int32_t status = transport->connect(host, port, Clock::now() + timeout);
        status != MF_OK) {
        return {status, {}};
    }
    return {MF_OK, std::move(transport)};
}

} // namespace mfapi::framed
