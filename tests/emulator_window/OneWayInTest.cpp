// One way into the reader: a change the state folder cannot keep is refused alike whichever way
// it came in, over the pty, over PC/SC from vpcd, from the console or from the window. Its
// answer is a refusal, the card's memory and state.txt stay as they were, and nothing later
// says otherwise. The parts are built and connected here as kov450-emu connects them, so that
// the window is in reach; the test plays vpcd on loopback, in pcsc_sandbox's private network.
#include "e2e/LineClient.h"
#include "Waits.h"
#include "e2e/FileSizeLimit.h"
#include "e2e/TempFolder.h"
#include "emulator/host/LineServer.h"
#include "emulator/host/ReaderStart.h"
#include "emulator/host/StateKeeper.h"
#include "emulator/pcsc/VpcdFraming.h"
#include "emulator/window/TraceModel.h"
#include "emulator/window/WindowBridge.h"
#include "protocol/Status.h"

#include <QStatusBar>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;
using namespace kov450;
using Bytes = std::vector<std::uint8_t>;
using protocol::Command;

/// The default card the emulator starts with: credit 50 in block 4, keys 7D7D7D7D7D7D.
constexpr Uid kCard{0xA1, 0xB2, 0xC3, 0xD4};
constexpr auto kWait = 10s;
constexpr const char* kNotSaved = "error: the state was not saved";

/// The test's side of vpcd: a listening socket on loopback and then the emulator's connection,
/// each message a 2-byte length and its bytes.
class VpcdPeer {
public:
    VpcdPeer() : listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
                0 &&
            ::listen(listener_.get(), 1) == 0 &&
            ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port_ = ntohs(address.sin_port);
        }
    }

    std::uint16_t port() const { return port_; }

    /// Takes the emulator's connection; whether it came in time.
    bool accept() {
        pollfd ready{listener_.get(), POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(std::chrono::milliseconds(kWait).count())) <= 0) {
            return false;
        }
        connection_ =
            ports::FileDescriptor(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        return connection_.valid();
    }

    bool send(const Bytes& message) {
        return line_client::writeAll(connection_.get(), pcsc::vpcdMessage(message));
    }

    /// The card's answer to an APDU; nothing when none came in time.
    std::optional<Bytes> exchange(const Bytes& apdu) {
        if (!send(apdu)) {
            return std::nullopt;
        }
        std::array<std::uint8_t, 512> chunk{};
        pollfd ready{connection_.get(), POLLIN, 0};
        while (::poll(&ready, 1, static_cast<int>(std::chrono::milliseconds(kWait).count())) > 0) {
            const ssize_t got = ::read(connection_.get(), chunk.data(), chunk.size());
            if (got <= 0) {
                return std::nullopt;
            }
            auto decoded = decoder_.feed(std::span(chunk).first(static_cast<std::size_t>(got)));
            if (!decoded.messages.empty()) {
                return decoded.messages.front();
            }
        }
        return std::nullopt;
    }

private:
    ports::FileDescriptor listener_;
    ports::FileDescriptor connection_;
    pcsc::VpcdDecoder decoder_;
    std::uint16_t port_ = 0;
};

enum class Way { Pty, Pcsc, Console, Window };

struct WayIn {
    const char* name;
    Way way;
    /// The status of the refused command's row in the window's trace; none for the console's
    /// and the window's own commands, which the trace does not show.
    const char* traceStatus;
};

std::ostream& operator<<(std::ostream& out, const WayIn& way) {
    return out << way.name;
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class OneWayIn : public ::testing::TestWithParam<WayIn> {
protected:
    OneWayIn() {
        restoreReader(reader, store, true, print);
        keeper.follow(vpcd);
        keeper.showIn(bridge);
        bridge.attach(window);
        server.start();
        vpcd.start();
        loop = std::thread([this] { io.run(); });
    }
    ~OneWayIn() override {
        io.stop();
        loop.join();
    }

    /// Runs `work` on the reader's thread, as the hosts do; its result, or nothing when it did
    /// not run in time.
    template <typename Work> auto onReader(Work work) -> std::optional<decltype(work())> {
        auto task = std::make_shared<std::packaged_task<decltype(work())()>>(std::move(work));
        auto result = task->get_future();
        asio::post(io, [task] { (*task)(); });
        if (result.wait_for(kWait) != std::future_status::ready) {
            return std::nullopt;
        }
        return result.get();
    }

    std::optional<Bytes> cardMemory() {
        return onReader([this] { return reader.cards().at(0).card.dump(); });
    }

    std::optional<ConsoleReply> console(const std::string& line) {
        return onReader([this, line] { return session.apply(ConsoleCommand{line}); });
    }

    bool printedLineWith(const std::string& start, const std::string& end) {
        const std::lock_guard lock(printedMutex);
        return std::any_of(printed.begin(), printed.end(), [&](const std::string& line) {
            return line.starts_with(start) && line.ends_with(end);
        });
    }

    protocol::Frame request(Command command, Bytes payload) {
        return {protocol::FrameKind::Request, 0, protocol::toByte(command), 0, std::move(payload)};
    }

    /// The pty's client, or the test as vpcd, opens block 4's sector with the default key B.
    void prepare(Way way) {
        if (way == Way::Pty) {
            ptyLine = line_client::openLine(pty.slavePath());
            Bytes authentication{0, 4};
            authentication.insert(authentication.end(), kCard.begin(), kCard.end());
            for (const protocol::Frame& step :
                 {request(Command::Request, {0}),
                  request(Command::Select, {kCard.begin(), kCard.end()}),
                  request(Command::LoadKey, Bytes(6, 0x7D)),
                  request(Command::Authenticate, authentication)}) {
                const auto answer = line_client::ask(ptyLine.get(), step, kWait);
                ASSERT_TRUE(answer && answer->status == protocol::status::kOk)
                    << "command " << int{step.command};
            }
        }
        if (way == Way::Pcsc) {
            ASSERT_TRUE(peer.accept()) << "the emulator did not connect to vpcd";
            ASSERT_TRUE(peer.send({static_cast<std::uint8_t>(pcsc::VpcdControl::PowerOn)}));
            Bytes loadKey{0xFF, 0x82, 0x00, 0x00, 0x06};
            loadKey.insert(loadKey.end(), 6, 0x7D);
            ASSERT_EQ(peer.exchange(loadKey), (Bytes{0x90, 0x00}));
            ASSERT_EQ(peer.exchange({0xFF, 0x86, 0x00, 0x00, 0x05, 0x01, 0x00, 0x04, 0x61, 0x00}),
                      (Bytes{0x90, 0x00}));
        }
    }

    /// Asks for a change to block 4 the way `way` does; whether the answer is a refusal that
    /// says why.
    ::testing::AssertionResult refused(Way way) {
        const std::string undone = "; the change is undone";
        switch (way) {
        case Way::Pty: {
            Bytes write{4, 1};
            write.insert(write.end(), 16, 0x22);
            const auto answer =
                line_client::ask(ptyLine.get(), request(Command::WriteBlocks, write), kWait);
            if (!answer || answer->status != protocol::status::kCardNoAnswer) {
                return ::testing::AssertionFailure()
                       << "answered " << (answer ? std::to_string(answer->status) : "nothing");
            }
            return waitForPrinted("; command 41 is undone and refused");
        }
        case Way::Pcsc: {
            Bytes update{0xFF, 0xD6, 0x00, 0x04, 0x10};
            update.insert(update.end(), 16, 0x22);
            const auto answer = peer.exchange(update);
            if (answer != Bytes{0x65, 0x81}) {
                return ::testing::AssertionFailure()
                       << "answered " << ::testing::PrintToString(answer);
            }
            return waitForPrinted("; PC/SC command FF D6 is undone and refused");
        }
        case Way::Console: {
            const auto reply = console("credit 1 99");
            if (!reply || reply->lines.size() != 1 || !reply->lines[0].starts_with(kNotSaved) ||
                !reply->lines[0].ends_with(undone)) {
                return ::testing::AssertionFailure()
                       << "replied "
                       << ::testing::PrintToString(reply ? reply->lines
                                                         : std::vector<std::string>{});
            }
            return ::testing::AssertionSuccess();
        }
        case Way::Window: {
            bridge.act(SetCredit{kCard, 99});
            const auto message = [this] {
                return window.statusBar()->currentMessage().toStdString();
            };
            if (!testing_support::waitUntil(
                    [&] { return message().starts_with(kNotSaved) && message().ends_with(undone); },
                    kWait)) {
                return ::testing::AssertionFailure() << "the window says " << message();
            }
            return ::testing::AssertionSuccess();
        }
        }
        return ::testing::AssertionFailure() << "no such way in";
    }

    /// Waits until the console was told why a command was refused.
    ::testing::AssertionResult waitForPrinted(const std::string& end) {
        if (testing_support::waitUntil([&] { return printedLineWith(kNotSaved, end); }, kWait)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "the console was not told: ..." << end;
    }

    QString lastTraceStatus() {
        const TraceModel& trace = window.trace();
        return trace.rowCount() == 0
                   ? QString()
                   : trace.data(trace.index(trace.rowCount() - 1, TraceModel::Status)).toString();
    }

    std::mutex printedMutex;
    std::vector<std::string> printed;
    StateKeeper::Print print = [this](const std::string& text) {
        const std::lock_guard lock(printedMutex);
        printed.push_back(text);
    };
    testing_support::TempFolder folder;
    StateStore store{folder.path()};
    Reader reader;
    StateKeeper keeper{store, reader, print};
    LineFaults faults;
    ReaderSession session{reader, faults, keeper};
    asio::io_context io{1};
    asio::executor_work_guard<asio::io_context::executor_type> running = asio::make_work_guard(io);
    PtyHost pty;
    LineServer server{io, pty, session, faults, false, print, [] {
                      }};
    VpcdPeer peer;
    pcsc::VpcdLink vpcd{io, reader, {"127.0.0.1", peer.port()}, print, session};
    WindowBridge bridge{io, session, print};
    EmulatorWindow window{bridge};
    std::thread loop;
    ports::FileDescriptor ptyLine;
};

TEST_P(OneWayIn, AChangeTheStateFolderCannotKeepIsRefusedAndUndone) {
    const WayIn& way = GetParam();
    ASSERT_NE(peer.port(), 0) << "no loopback port for vpcd";
    ASSERT_NO_FATAL_FAILURE(prepare(way.way));
    const std::string saved = fileText(store.file());
    ASSERT_FALSE(saved.empty());
    const auto memory = cardMemory();
    ASSERT_TRUE(memory);
    {
        // The folder is full: no state file fits, the one there stays whole.
        const testing_support::FileSizeLimit full(saved.size() / 2);
        ASSERT_TRUE(full.set());

        EXPECT_TRUE(refused(way.way));
        EXPECT_EQ(cardMemory(), memory) << "the card kept the change it refused";
        EXPECT_TRUE(fileText(store.file()) == saved) << "state.txt changed";
        if (way.traceStatus != nullptr) {
            EXPECT_TRUE(testing_support::waitUntilEquals(
                [this] { return lastTraceStatus(); }, QString::fromLatin1(way.traceStatus), kWait));
        }
        // Nothing is left to undo: quitting with the folder still full says nothing of it.
        const auto quit = console("quit");
        ASSERT_TRUE(quit);
        EXPECT_EQ(quit->lines, std::vector<std::string>{"bye"});
    }
    // Nor once the folder takes the state again: the reader holds what the file holds.
    const auto problem = onReader([this] { return keeper.save(); });
    ASSERT_TRUE(problem);
    EXPECT_FALSE(problem->has_value()) << **problem;
    EXPECT_TRUE(fileText(store.file()) == saved) << "state.txt changed";
}

INSTANTIATE_TEST_SUITE_P(EachWay, OneWayIn,
                         ::testing::Values(WayIn{"Pty", Way::Pty, "2 card no longer answers"},
                                           WayIn{"Pcsc", Way::Pcsc, "65 81 memory failure"},
                                           WayIn{"Console", Way::Console, nullptr},
                                           WayIn{"Window", Way::Window, nullptr}),
                         ::testing::PrintToStringParamName());

} // namespace
