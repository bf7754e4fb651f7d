#include "ProgramTimes.h"

#include "Emulator.h"
#include "Wire.h"

#include "binding/MfApi.h"
#include "journal/PurchaseJournal.h"
#include "panel/KOV450.h"
#include "poll/Form1.h"
#include "protocol/Command.h"
#include "protocol/Frame.h"
#include "protocol/WireTime.h"
#include "ui/IntervalTimer.h"
#include "ui/MessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTickSeconds = 3;
// As for the calls: a tick may take 5% over the wire time of its exchanges.
constexpr double kTickTolerance = 0.05;
constexpr int kArrivals = 10;
constexpr double kAutoReadIntervalMs = 200;

// Bytes on the wire of a request with this payload and its answer with that one.
std::size_t exchange(std::size_t requestPayload, std::size_t answerPayload) {
    return protocol::kRequestOverhead + requestPayload + protocol::kAnswerOverhead + answerPayload;
}

/// Runs the event loop until `done` holds or the time is up; whether it held.
bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    QTimer wake; // keeps the loop turning, so that `done` is looked at often
    wake.start(1);
    while (!done()) {
        if (Clock::now() > end) {
            return false;
        }
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

/// Runs the event loop for this long, with no timer of ours in it to disturb the window's.
void pause(std::chrono::milliseconds time) {
    QEventLoop loop;
    QTimer::singleShot(time, &loop, &QEventLoop::quit);
    loop.exec();
}

template <typename T> T* child(QWidget& window, const char* name) {
    auto* found = window.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) {
        throw std::runtime_error(std::string("no control ") + name);
    }
    return found;
}

/// The operator of the benchmark: notes when the confirmation comes, and cancels it.
class StopwatchBoxes : public ui::MessageBoxes {
public:
    Answer ask(QWidget*, const QString&, Buttons) override {
        asked = Clock::now();
        return Answer::Cancel;
    }
    void tell(QWidget*, const QString&) override {}
    std::optional<Clock::time_point> asked;
};

void measurePoll(reader::MfApi& api, Table& table) {
    Emulator emulator(true);
    emulator.console("create 1k C0DE0002", "created");
    poll::Form1 window(api);
    window.show();
    auto* timer = child<ui::IntervalTimer>(window, "Timer1");
    auto* scroll = child<QScrollBar>(window, "HScroll1");
    auto* log = child<QPlainTextEdit>(window, "Text1");

    // A tick switches the LEDs off, requests and reads the serial number; at 9600 bit/s the
    // wire time of those three exchanges bounds the rate.
    const double tickWireMs =
        wireMs(exchange(2, 0)) + wireMs(exchange(1, 3)) + wireMs(exchange(0, protocol::kUidSize));
    int ticks = 0;
    QObject::connect(timer, &ui::IntervalTimer::tick, [&ticks] { ++ticks; });
    for (const int interval : {1, 10, 50, 150}) {
        scroll->setValue(interval);
        pause(std::chrono::milliseconds{300}); // settle
        ticks = 0;
        QElapsedTimer clock;
        clock.start();
        pause(std::chrono::seconds{kTickSeconds});
        const double perSecond = ticks * 1000.0 / static_cast<double>(clock.elapsed());
        const double target = std::min(1000.0 / interval, 1000.0 / tickWireMs);
        table.add({"tagpoll", "ticks/s at " + std::to_string(interval) + " ms", perSecond, target,
                   "1/s", false,
                   "limit: min(1000/interval, 1000/" + std::to_string(tickWireMs).substr(0, 4) +
                       " ms of wire per tick), within 5%",
                   kTickTolerance});
    }

    // Card arrival to its log line: cards 1 and 2 take turns in the field.
    const int interval = 10;
    scroll->setValue(interval);
    std::vector<double> arrivals;
    for (int round = 0; round < kArrivals; ++round) {
        const int leaving = round % 2 == 0 ? 1 : 2;
        const int coming = 3 - leaving;
        emulator.console("remove " + std::to_string(leaving), "outside the field");
        pause(std::chrono::milliseconds{150});
        const QString before = log->toPlainText();
        const auto start = Clock::now();
        emulator.send("present " + std::to_string(coming));
        if (!runUntil([&] { return log->toPlainText() != before; }, std::chrono::seconds{5})) {
            throw std::runtime_error("tagpoll logged no card");
        }
        arrivals.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    table.add({"tagpoll", "card arrival to log line", median(arrivals), interval + 2 * tickWireMs,
               "ms", true,
               "median of " + std::to_string(kArrivals) + " at 10 ms; limit: interval + 2 ticks"});
}

void measureAutoRead(reader::MfApi& api, Table& table) {
    Emulator emulator(true);
    StopwatchBoxes boxes;
    const QTemporaryDir stateFolder;
    journal::PurchaseJournal journal(stateFolder.filePath("purchases.csv").toStdString());
    panel::KOV450 window(api, boxes, journal);
    window.show();
    child<QAbstractButton>(window, "PortSet")->click();
    auto* check = child<QCheckBox>(window, "AutoCheck");

    // Request, anticollision, select, load key, authentication and the read of block 4.
    const double callsWireMs =
        wireMs(exchange(1, 3)) + wireMs(exchange(0, protocol::kUidSize)) +
        wireMs(exchange(protocol::kUidSize, 0)) + wireMs(exchange(protocol::kKeySize, 0)) +
        wireMs(exchange(2 + protocol::kUidSize, 0)) + wireMs(exchange(2, protocol::kBlockSize));
    std::vector<double> arrivals;
    for (int round = 0; round < kArrivals; ++round) {
        emulator.console("remove 1", "outside the field");
        boxes.asked.reset();
        check->setChecked(true);
        pause(std::chrono::milliseconds{300});
        const auto start = Clock::now();
        emulator.send("present 1");
        if (!runUntil([&] { return boxes.asked.has_value(); }, std::chrono::seconds{5})) {
            throw std::runtime_error("auto read asked nothing");
        }
        arrivals.push_back(std::chrono::duration<double, std::milli>(*boxes.asked - start).count());
    }
    table.add({"auto read", "card arrival to confirmation", median(arrivals),
               kAutoReadIntervalMs + callsWireMs, "ms", true,
               "median of " + std::to_string(kArrivals) + "; limit: 200 ms + " +
                   std::to_string(callsWireMs).substr(0, 5) + " ms of wire"});
}

} // namespace

void measurePrograms(reader::MfApi& api, Table& table) {
    measurePoll(api, table);
    measureAutoRead(api, table);
}

} // namespace bench
