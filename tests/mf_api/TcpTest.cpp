// The library over socket://HOST:PORT, against the reader model served on a loopback socket.
#include "emulator/model/Reader.h"
#include "protocol/FrameDecoder.h"
#include "protocol/FrameEncoder.h"

#include <MF_API.h>
#include <asio.hpp>
#include <gtest/gtest.h>

#include <array>
#include <future>
#include <thread>

namespace {

/// Serves one connection at a time with the reader model, on its own thread.
class ModelServer {
public:
    ModelServer() {
        accept();
        thread_ = std::thread([this] { io_.run(); });
    }
    ~ModelServer() {
        io_.stop();
        thread_.join();
    }
    ModelServer(const ModelServer&) = delete;
    ModelServer& operator=(const ModelServer&) = delete;

    std::string portName() const {
        return "socket://127.0.0.1:" + std::to_string(acceptor_.local_endpoint().port());
    }
    /// Drops the client, as a network reader that is switched off would. Returns once the
    /// socket is closed, so the client's next request can never be answered.
    void hangUp() {
        std::promise<void> closed;
        asio::post(io_, [this, &closed] {
            asio::error_code ignored;
            socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
            socket_.close(ignored);
            closed.set_value();
        });
        closed.get_future().wait();
    }

private:
    void accept() {
        acceptor_.async_accept(socket_, [this](const asio::error_code& error) {
            if (!error) {
                read();
            }
        });
    }
    void read() {
        socket_.async_read_some(asio::buffer(buffer_), [this](const asio::error_code& error,
                                                              std::size_t received) {
            if (error || !socket_.is_open()) {
                return;
            }
            for (const auto& request : decoder_.feed(std::span(buffer_).first(received)).frames) {
                if (const auto answer = reader_.handle(request)) {
                    const auto bytes = protocol::encodeFrame(*answer);
                    asio::error_code lost;
                    asio::write(socket_, asio::buffer(*bytes), lost);
                }
            }
            read();
        });
    }

    asio::io_context io_;
    asio::ip::tcp::acceptor acceptor_{io_, {asio::ip::address_v4::loopback(), 0}};
    asio::ip::tcp::socket socket_{io_};
    std::array<std::uint8_t, 256> buffer_{};
    protocol::FrameDecoder decoder_{protocol::FrameKind::Request};
    kov450::Reader reader_;
    std::thread thread_;
};

TEST(TcpPort, CommandsTravelOverTheSocketAndAHangUpIsReported) {
    ModelServer server;
    ASSERT_EQ(MF_InitComm(server.portName().c_str(), 9600), MF_OK);
    std::array<std::uint8_t, 33> version{};
    EXPECT_EQ(MF_GetDevice_Ver(0, version.data()), MF_OK);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(version.data())),
              "KOV450 emulated reader 1.0");
    EXPECT_EQ(MF_SetDeviceBaud(0, 57600), MF_OK);
    std::uint8_t address = 0xEE;
    EXPECT_EQ(MF_GetDeviceAddr(0, &address), MF_OK);
    EXPECT_EQ(address, 0);
    server.hangUp();
    EXPECT_EQ(MF_GetDeviceAddr(0, &address), MF_ERR_DEVICE_GONE);
    EXPECT_EQ(MF_GetDeviceAddr(0, &address), MF_ERR_NOT_OPEN);
    EXPECT_EQ(MF_ExitComm(), MF_OK);
}

TEST(TcpPort, NobodyListeningIsNoSuchPort) {
    std::uint16_t port = 0;
    {
        asio::io_context io;
        asio::ip::tcp::acceptor probe(io, {asio::ip::address_v4::loopback(), 0});
        port = probe.local_endpoint().port();
    }
    EXPECT_EQ(MF_InitComm(("socket://127.0.0.1:" + std::to_string(port)).c_str(), 9600),
              MF_ERR_NO_SUCH_PORT);
}

} // namespace
