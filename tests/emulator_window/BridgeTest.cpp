// The bridge between the reader's thread and the window's: requests run on the reader's
// thread, and what the reader did reaches the window.
#include "emulator/window/WindowBridge.h"

#include "emulator/window/TraceModel.h"
#include "emulator/window/WalletModel.h"
#include "protocol/Command.h"

#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

using namespace kov450;
using protocol::Command;

constexpr Uid kFirst{0xA1, 0xB2, 0xC3, 0xD4};

/// Keeps each change as kov450-emu's keeper does, with a save that the test can make fail, and
/// shows it in the window.
class TestKeeper final : public ChangeKeeper {
public:
    static constexpr const char* kNotSaved = "error: the state was not saved: a test";

    void keep(ReaderChange& change) override {
        if (change.mayLast()) {
            readerThread = std::this_thread::get_id();
            ++changes;
            if (!saves) {
                change.undo(kNotSaved);
            }
        }
        view->show(change);
    }

    ReaderView* view = nullptr;
    std::atomic<int> changes{0};
    std::atomic<bool> saves{true};
    std::thread::id readerThread;
};

class Bridge : public ::testing::Test {
protected:
    Bridge() {
        reader.present(reader.addCard(MifareClassic::makeDefault(CardKind::Classic1K, kFirst, 50)));
        bridge.attach(window);
        keeper.view = &bridge;
    }
    ~Bridge() override {
        work.reset();
        loop.join();
    }

    QString walletCell(int row, int column) {
        return window.wallet().data(window.wallet().index(row, column)).toString();
    }

    /// What the bridge printed on the console so far.
    std::vector<std::string> printed() {
        const std::lock_guard lock(printedMutex);
        return printedLines;
    }

    /// Hands the reader a request from the line, on the reader's thread.
    void fromTheLine(Command command, std::vector<std::uint8_t> payload) {
        asio::post(io, [this, command, payload = std::move(payload)] {
            static_cast<void>(session.apply(LineRequest{protocol::Frame{
                protocol::FrameKind::Request, 0, protocol::toByte(command), 0, payload}}));
        });
    }

    Reader reader;
    asio::io_context io;
    static constexpr const char* kNotSaved = TestKeeper::kNotSaved;
    TestKeeper keeper;
    LineFaults faults;
    ReaderSession session{reader, faults, keeper};
    std::mutex printedMutex;
    std::vector<std::string> printedLines;
    WindowBridge bridge{io, session, [this](const std::string& line) {
                            const std::lock_guard lock(printedMutex);
                            printedLines.push_back(line);
                        }};
    EmulatorWindow window{bridge};
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> work{
        asio::make_work_guard(io)};
    std::thread loop{[this] {
        io.run();
    }};
};

TEST_F(Bridge, TheWindowsRequestsRunOnTheReadersThreadAndComeBack) {
    bridge.act(CreateCard{CardKind::Classic4K, {0x11, 0x22, 0x33, 0x44}, 9});
    bridge.act(SetCredit{kFirst, 77});
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.wallet().rowCount() == 2; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return walletCell(0, WalletModel::Credit) == "77"; }, 5000));
    EXPECT_EQ(walletCell(1, WalletModel::UidColumn), "11223344");
    EXPECT_EQ(keeper.changes, 2) << "the state is saved after each change";
    EXPECT_EQ(keeper.readerThread, loop.get_id());
}

TEST_F(Bridge, TheConsoleShowsTheWindowsActionsInItsOwnWords) {
    bridge.act(TakeCardAway{kFirst});
    ASSERT_TRUE(QTest::qWaitFor([&] { return walletCell(0, WalletModel::Where) == "away"; }, 5000));
    EXPECT_EQ(printed(), (std::vector<std::string>{
                             "window: remove A1B2C3D4",
                             "card 1: 1K A1B2C3D4, outside the field, idle, credit 50"}));
}

TEST_F(Bridge, FramesTheReaderAnswersReachTheTrace) {
    fromTheLine(Command::Leds, {1, 0});
    fromTheLine(Command::ReadBlocks, {4, 1});
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.trace().rowCount() == 2; }, 5000));
    const QString text = window.trace().text();
    EXPECT_TRUE(text.contains("LEDs\tred on, green off\t0 OK")) << text.toStdString();
    EXPECT_TRUE(text.contains("Read blocks\tblock 4, count 1\t7 not selected"))
        << text.toStdString();
}

TEST_F(Bridge, ExportAndImportGoThroughTheReadersThread) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("kov450-bridge-" + std::to_string(::getpid()) + ".eml");
    bridge.act(ExportCard{kFirst, path});
    bridge.act(DeleteCard{kFirst});
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.wallet().rowCount() == 0; }, 5000));
    bridge.act(ImportCard{path, true});
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.wallet().rowCount() == 1; }, 5000));
    EXPECT_EQ(walletCell(0, WalletModel::Where), "in the field");
    EXPECT_EQ(walletCell(0, WalletModel::Credit), "50");
    std::filesystem::remove(path);
}

TEST_F(Bridge, AChangeThatCannotBeSavedIsUndoneAndTheWindowSaysWhy) {
    const auto message = [&] {
        return window.statusBar()->currentMessage().toStdString();
    };
    keeper.saves = false;
    bridge.act(SetCredit{kFirst, 77});
    ASSERT_TRUE(QTest::qWaitFor([&] { return message().find(kNotSaved) == 0; }, 5000)) << message();
    EXPECT_EQ(walletCell(0, WalletModel::Credit), "50");
    // A command from the line, kept as kov450-emu keeps them.
    fromTheLine(Command::SetAddress, {9});
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.trace().rowCount() == 1; }, 5000));
    EXPECT_TRUE(window.trace().text().contains("Set address\taddress 9\t5 access denied"))
        << window.trace().text().toStdString();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return message().find("command 02 is undone and refused") != std::string::npos; },
        5000))
        << message();
}

} // namespace
