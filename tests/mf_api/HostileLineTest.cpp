// The library against a line we drive ourselves: a pty whose other end answers what no reader of
// ours would, or never stops talking.
#include "e2e/TempFolder.h"
#include "protocol/FrameDecoder.h"
#include "protocol/FrameEncoder.h"

#include <MF_API.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

/// A pty with a thread on its master side that answers each request frame as `answer` says.
class FakeLine {
public:
    using Answer = std::function<std::vector<std::uint8_t>(const protocol::Frame&)>;

    explicit FakeLine(Answer answer) : answer_(std::move(answer)) {
        // Non-blocking, so that the thread never waits on a side that stopped reading.
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
            throw std::runtime_error("no pty");
        }
        slavePath_ = ::ptsname(master_);
        // Held open so that the master never sees the line hang up between two opens.
        slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        thread_ = std::thread([this] { serve(); });
    }
    ~FakeLine() {
        stop_ = true;
        thread_.join();
        ::close(slave_);
        ::close(master_);
    }
    FakeLine(const FakeLine&) = delete;
    FakeLine& operator=(const FakeLine&) = delete;

    const std::string& slavePath() const { return slavePath_; }
    int slave() const { return slave_; }
    /// Makes the line send noise without pause, whatever is asked.
    void babble() { babbling_ = true; }

private:
    void serve() {
        protocol::FrameDecoder decoder{protocol::FrameKind::Request};
        std::array<std::uint8_t, 256> buffer{};
        const std::vector<std::uint8_t> noise(4096, 0xEE);
        while (!stop_) {
            if (babbling_) {
                pollfd out{master_, POLLOUT, 0};
                if (::poll(&out, 1, 10) == 1) {
                    (void)::write(master_, noise.data(), noise.size());
                }
                drain(buffer);
                continue;
            }
            pollfd in{master_, POLLIN, 0};
            if (::poll(&in, 1, 10) != 1) {
                continue;
            }
            const ssize_t received = ::read(master_, buffer.data(), buffer.size());
            if (received <= 0) {
                continue;
            }
            const auto decoded =
                decoder.feed(std::span(buffer).first(static_cast<std::size_t>(received)));
            for (const protocol::Frame& request : decoded.frames) {
                const auto bytes = answer_(request);
                (void)::write(master_, bytes.data(), bytes.size());
            }
        }
    }
    void drain(std::array<std::uint8_t, 256>& buffer) {
        pollfd in{master_, POLLIN, 0};
        while (::poll(&in, 1, 0) == 1 && ::read(master_, buffer.data(), buffer.size()) > 0) {
        }
    }

    Answer answer_;
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> babbling_{false};
    std::thread thread_;
};

std::vector<std::uint8_t> answerWithStatus(const protocol::Frame& request, std::int32_t status) {
    return *protocol::encodeFrame(
        protocol::Frame{protocol::FrameKind::Answer, request.address, request.command, status, {}});
}

class HostileLine : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("MF_API_ANSWER_MARGIN_MS", "250", 1); }
    void TearDown() override { EXPECT_EQ(MF_ExitComm(), MF_OK); }
};

TEST_F(HostileLine, AReaderThatNeverStopsSendingCannotHoldACall) {
    FakeLine line([](const protocol::Frame& request) { return answerWithStatus(request, 0); });
    ASSERT_EQ(MF_InitComm(line.slavePath().c_str(), 9600), MF_OK);
    line.babble();
    // At 9600 bit/s a call may take the wire time of 94 bytes and the 250 ms margin: 348 ms.
    for (int call = 0; call < 3; ++call) {
        std::array<std::uint8_t, 3> type{};
        const auto start = Clock::now();
        const std::int32_t status = MF_Request(0, MF_REQUEST_IDLE, type.data());
        const auto took = Clock::now() - start;
        EXPECT_TRUE(status == MF_ERR_TIMEOUT || status == MF_ERR_BAD_FRAME) << status;
        EXPECT_LT(took, 1500ms) << "call " << call << " read on past its limit";
    }
}

TEST_F(HostileLine, AStatusOutsideTheReadersTableIsUnknownNeverOneOfOurs) {
    std::atomic<std::int32_t> next{0};
    FakeLine line([&](const protocol::Frame& request) { return answerWithStatus(request, next); });
    ASSERT_EQ(MF_InitComm(line.slavePath().c_str(), 9600), MF_OK);
    // 0x9C is -100 as a signed byte: "library missing", as far as the panel could tell.
    for (const std::int32_t foreign : {-100, -101, -4, -1, 9, 13, 127}) {
        next = foreign;
        EXPECT_EQ(MF_Halt(0), MF_ERR_UNKNOWN_STATUS) << "the reader answered " << foreign;
    }
    for (const std::int32_t own : {0, 1, 5, 8, 10, 11, 12}) {
        next = own;
        EXPECT_EQ(MF_Halt(0), own);
    }
}

TEST_F(HostileLine, ThePortIsLeftWithTheLineSettingsItHadBefore) {
    FakeLine line([](const protocol::Frame& request) { return answerWithStatus(request, 0); });
    termios before{};
    ASSERT_EQ(::tcgetattr(line.slave(), &before), 0);
    before.c_lflag |= ICANON | ECHO;
    ASSERT_EQ(::cfsetspeed(&before, B4800), 0);
    ASSERT_EQ(::tcsetattr(line.slave(), TCSANOW, &before), 0);
    ASSERT_EQ(::tcgetattr(line.slave(), &before), 0);

    ASSERT_EQ(MF_InitComm(line.slavePath().c_str(), 9600), MF_OK);
    termios during{};
    ASSERT_EQ(::tcgetattr(line.slave(), &during), 0);
    EXPECT_EQ(during.c_lflag & ICANON, 0U) << "the library works on a raw line";
    ASSERT_EQ(MF_ExitComm(), MF_OK);

    termios after{};
    ASSERT_EQ(::tcgetattr(line.slave(), &after), 0);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(::cfgetispeed(&after), B4800);
}

TEST(PortArguments, AnOverlongNameIsABadArgumentAndAnUnsafeFolderIsRefused) {
    EXPECT_EQ(MF_InitComm(std::string(10 * 1024, 'A').c_str(), 9600), MF_ERR_BAD_ARGUMENT);
    EXPECT_EQ(MF_InitComm(("/dev/" + std::string(300, 'x')).c_str(), 9600), MF_ERR_NO_SUCH_PORT);

    testing_support::TempFolder ports;
    std::filesystem::create_symlink("/dev/null", ports.path() / "Reader");
    ::setenv("MF_API_PORTS", ports.path().c_str(), 1);
    std::filesystem::permissions(ports.path(), std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(MF_InitComm("Reader", 9600), MF_ERR_UNSAFE_PORT_FOLDER);
    std::filesystem::permissions(ports.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
    // /dev/null is a character device but no terminal: a port name, yet no port.
    EXPECT_EQ(MF_InitComm("Reader", 9600), MF_ERR_NO_SUCH_PORT);
    ::unsetenv("MF_API_PORTS");
}

} // namespace
