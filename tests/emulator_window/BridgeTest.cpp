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
#include <thread>

namespace {

using namespace kov450;

class Bridge : public ::testing::Test {
protected:
    Bridge() {
        reader.present(reader.addCard(
            MifareClassic::makeDefault(CardKind::Classic1K, {0xA1, 0xB2, 0xC3, 0xD4}, 50)));
        bridge.attach(window);
        reader.setFrameObserver(
            [this](const protocol::Frame& request, const protocol::Frame& answer) {
                bridge.frameAnswered(request, answer);
            });
    }
    ~Bridge() override {
        work.reset();
        loop.join();
    }

    QString walletCell(int row, int column) {
        return window.wallet().data(window.wallet().index(row, column)).toString();
    }

    Reader reader;
    LineFaults faults;
    Console console{reader, faults};
    asio::io_context io;
    static constexpr const char* kNotSaved = "error: the state was not saved: a test";
    std::atomic<int> changes{0};
    std::atomic<bool> saves{true};
    std::thread::id readerThread;
    WindowBridge bridge{io, reader, console,
                        [this] {
                            readerThread = std::this_thread::get_id();
                            ++changes;
                            return saves ? std::nullopt : std::optional<std::string>(kNotSaved);
                        },
                        [](const std::string&) {
                        }};
    EmulatorWindow window{bridge};
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> work{
        asio::make_work_guard(io)};
    std::thread loop{[this] {
        io.run();
    }};
};

TEST_F(Bridge, TheWindowsRequestsRunOnTheReadersThreadAndComeBack) {
    bridge.command("create 4k 11223344 9");
    bridge.command("credit 1 77");
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.wallet().rowCount() == 2; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return walletCell(0, WalletModel::Credit) == "77"; }, 5000));
    EXPECT_EQ(walletCell(1, WalletModel::UidColumn), "11223344");
    EXPECT_EQ(changes, 2) << "the state is saved after each change";
    EXPECT_EQ(readerThread, loop.get_id());
}

TEST_F(Bridge, FramesTheReaderAnswersReachTheTrace) {
    asio::post(io, [this] {
        reader.handle(protocol::Frame{
            protocol::FrameKind::Request, 0, protocol::toByte(protocol::Command::Leds), 0, {1, 0}});
        reader.handle(protocol::Frame{protocol::FrameKind::Request,
                                      0,
                                      protocol::toByte(protocol::Command::ReadBlocks),
                                      0,
                                      {4, 1}});
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.trace().rowCount() == 2; }, 5000));
    const QString text = window.trace().text();
    EXPECT_TRUE(text.contains("LEDs\tred on, green off\t0 OK")) << text.toStdString();
    EXPECT_TRUE(text.contains("Read blocks\tblock 4, count 1\t7 not selected"))
        << text.toStdString();
}

TEST_F(Bridge, ExportAndImportGoThroughTheReadersThread) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("kov450-bridge-" + std::to_string(::getpid()) + ".eml");
    bridge.exportCard({0xA1, 0xB2, 0xC3, 0xD4}, path);
    bridge.command("delete 1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.wallet().rowCount() == 0; }, 5000));
    bridge.importCard(path, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.wallet().rowCount() == 1; }, 5000));
    EXPECT_EQ(walletCell(0, WalletModel::Where), "in the field");
    EXPECT_EQ(walletCell(0, WalletModel::Credit), "50");
    std::filesystem::remove(path);
}

TEST_F(Bridge, AChangeThatCannotBeSavedIsUndoneAndTheWindowSaysWhy) {
    const auto message = [&] {
        return window.statusBar()->currentMessage().toStdString();
    };
    saves = false;
    bridge.command("credit 1 77");
    ASSERT_TRUE(QTest::qWaitFor([&] { return message().find(kNotSaved) == 0; }, 5000)) << message();
    EXPECT_EQ(walletCell(0, WalletModel::Credit), "50");
    // A command from the line, kept as kov450-emu keeps them.
    reader.setKeeper(lineKeeper([] { return std::optional<std::string>(kNotSaved); },
                                [this](const std::string& why) { bridge.notice({why}); }));
    asio::post(io, [this] {
        reader.handle(protocol::Frame{protocol::FrameKind::Request,
                                      0,
                                      protocol::toByte(protocol::Command::SetAddress),
                                      0,
                                      {9}});
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.trace().rowCount() == 1; }, 5000));
    EXPECT_TRUE(window.trace().text().contains("Set address\taddress 9\t5 access denied"))
        << window.trace().text().toStdString();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return message().find("command 02 is undone and refused") != std::string::npos; },
        5000))
        << message();
}

} // namespace
