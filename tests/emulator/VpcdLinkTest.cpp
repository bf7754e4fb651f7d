// The emulator's link to vpcd against a peer on loopback that plays vpcd, and plays it badly.
#include "emulator/pcsc/VpcdLink.h"
#include "emulator/host/ReaderSession.h"
#include "emulator/model/Reader.h"
#include "emulator/pcsc/VpcdFraming.h"

#include <asio.hpp>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

using namespace std::chrono_literals;
using kov450::pcsc::VpcdLink;
using Clock = std::chrono::steady_clock;

const kov450::Uid kUid{0xA1, 0xB2, 0xC3, 0xD4};

/// Keeps nothing: this test has no state folder.
class NoKeeper final : public kov450::ChangeKeeper {
public:
    void keep(kov450::ReaderChange&) override {}
};

bool anyLineHas(const std::vector<std::string>& lines, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(text) != std::string::npos;
    });
}

TEST(VpcdLink, APeerThatReadsNoAnswersIsSentNoMoreYetLosesNone) {
    asio::io_context io;
    // Small buffers on the peer's side, so that the kernel holds little and the link's own
    // queue is what a flood reaches.
    asio::ip::tcp::acceptor acceptor(io);
    const asio::ip::tcp::endpoint loopback(asio::ip::address_v4::loopback(), 0);
    acceptor.open(loopback.protocol());
    acceptor.set_option(asio::socket_base::receive_buffer_size(4096));
    acceptor.set_option(asio::socket_base::send_buffer_size(4096));
    acceptor.bind(loopback);
    acceptor.listen();

    kov450::Reader reader;
    reader.present(
        reader.addCard(kov450::MifareClassic::makeDefault(kov450::CardKind::Classic1K, kUid, 50)));
    NoKeeper keeper;
    kov450::LineFaults faults;
    kov450::ReaderSession session(reader, faults, keeper);
    std::vector<std::string> printed;
    VpcdLink link(
        io, reader, {"127.0.0.1", acceptor.local_endpoint().port()},
        [&printed](const std::string& line) { printed.push_back(line); }, session);
    link.start();
    asio::ip::tcp::socket peer(io);
    acceptor.accept(peer); // the link's connect is under way; the kernel completes it
    peer.non_blocking(true);
    const auto deadline = Clock::now() + 30s;
    while (!anyLineHas(printed, "served over PC/SC") && Clock::now() < deadline) {
        io.run_one_for(100ms);
    }
    ASSERT_TRUE(anyLineHas(printed, "served over PC/SC")) << ::testing::PrintToString(printed);

    // Power on, then Get Data (the UID) over and over, never reading an answer.
    const std::vector<std::uint8_t> powerOn{0x00, 0x01, 0x01};
    ASSERT_EQ(::write(peer.native_handle(), powerOn.data(), powerOn.size()),
              static_cast<ssize_t>(powerOn.size()));
    const std::vector<std::uint8_t> getUid{0x00, 0x05, 0xFF, 0xCA, 0x00, 0x00, 0x00};
    std::vector<std::uint8_t> burst;
    for (int count = 0; count < 1000; ++count) {
        burst.insert(burst.end(), getUid.begin(), getUid.end());
    }
    std::size_t sentBytes = 0;
    std::size_t mostWaiting = 0;
    bool stalled = false;
    // Far past the bound means there is none; stop before memory runs out.
    while (!stalled && mostWaiting <= 16 * VpcdLink::kMostWaitingBytes && Clock::now() < deadline) {
        const std::size_t offset = sentBytes % burst.size();
        const ssize_t written =
            ::write(peer.native_handle(), burst.data() + offset, burst.size() - offset);
        ASSERT_TRUE(written > 0 || errno == EAGAIN) << std::strerror(errno);
        sentBytes += written > 0 ? static_cast<std::size_t>(written) : 0;
        io.poll();
        mostWaiting = std::max(mostWaiting, link.waitingBytes());
        stalled = written < 0 && anyLineHas(printed, "vpcd reads no answers");
    }
    // One answer may go past the bound; a Get Data answer is eight bytes with its length.
    EXPECT_LE(mostWaiting, VpcdLink::kMostWaitingBytes + 8);
    ASSERT_TRUE(stalled) << "sent " << sentBytes << " bytes; " << ::testing::PrintToString(printed);

    // The peer reads at last: every whole command it sent is answered, in order.
    const std::size_t commands = sentBytes / getUid.size();
    kov450::pcsc::VpcdDecoder decoder;
    std::size_t answered = 0;
    std::array<std::uint8_t, 4096> chunk{};
    const std::vector<std::uint8_t> expected{0xA1, 0xB2, 0xC3, 0xD4, 0x90, 0x00};
    while (answered < commands && Clock::now() < deadline) {
        const ssize_t got = ::read(peer.native_handle(), chunk.data(), chunk.size());
        ASSERT_TRUE(got > 0 || (got < 0 && errno == EAGAIN)) << "the link hung up";
        if (got > 0) {
            for (const auto& answer :
                 decoder.feed(std::span(chunk).first(static_cast<std::size_t>(got))).messages) {
                ASSERT_EQ(answer, expected) << "answer " << answered;
                ++answered;
            }
        }
        io.poll();
    }
    EXPECT_EQ(answered, commands);
    EXPECT_LE(link.waitingBytes(), VpcdLink::kMostWaitingBytes + 8);
}

} // namespace
