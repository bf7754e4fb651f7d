#include "mf_api/TcpTransport.h"

#include "mf_api/AsioDeadline.h"
#include "mf_api/LineSpeed.h"

#include <MF_API.h>

#include <asio.hpp>

#include <array>

namespace mfapi {

namespace {

class TcpTransport final : public Transport {
public:
    TcpTransport() = default;

    ~TcpTransport() override {
        asio::error_code ignored;
        socket_.close(ignored);
    }

    std::int32_t connect(const std::string& host, std::uint16_t port, Clock::time_point deadline) {
        asio::error_code error;
        asio::ip::tcp::resolver resolver(io_);
        const auto endpoints = resolver.resolve(host, std::to_string(port), error);
        if (error) {
            return MF_ERR_NO_SUCH_PORT;
        }
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
        socket_.set_option(asio::ip::tcp::no_delay(true), error);
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
        asio::error_code error;
        std::array<std::uint8_t, 256> scratch{};
        while (socket_.available(error) > 0 && !error) {
            socket_.read_some(asio::buffer(scratch), error);
        }
    }

    std::int32_t setLineSpeed(std::uint32_t bitsPerSecond) override {
        return termiosSpeed(bitsPerSecond) ? MF_OK : MF_ERR_BAD_SPEED;
    }

private:
    asio::io_context io_{1};
    asio::ip::tcp::socket socket_{io_};
};

} // namespace

std::variant<std::unique_ptr<Transport>, std::int32_t>
openTcpTransport(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout) {
    auto transport = std::make_unique<TcpTransport>();
    if (const std::int32_t status = transport->connect(host, port, Clock::now() + timeout);
        status != MF_OK) {
        return status;
    }
    return std::unique_ptr<Transport>(std::move(transport));
}

} // namespace mfapi
