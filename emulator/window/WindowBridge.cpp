#include "emulator/window/WindowBridge.h"

#include <QMetaObject>

namespace kov450 {

WindowBridge::WindowBridge(asio::io_context& io, Reader& reader, SaveState save, Print print)
    : io_(io), reader_(reader), save_(std::move(save)), print_(std::move(print)) {
}

void WindowBridge::act(WalletAction action) {
    asio::post(io_, [this, action = std::move(action)] {
        print_("window: " + commandLine(action));
        ConsoleReply reply = lastingChange(reader_, save_, [&] {
            return ConsoleReply{linesOf(perform(reader_, action)), false};
        });
        for (const std::string& line : reply.lines) {
            print_(line);
        }
        hand([&](Pending& pending) { pending.replies.push_back(std::move(reply.lines)); });
        publish();
    });
}

void WindowBridge::notice(std::vector<std::string> lines) {
    hand([&](Pending& pending) { pending.replies.push_back(std::move(lines)); });
}

void WindowBridge::frameAnswered(const protocol::Frame& request, const protocol::Frame& answer) {
    const QTime now = QTime::currentTime();
    ExchangeText text = describeExchange(request, answer);
    ReaderSnapshot snapshot{reader_.state(), reader_.cards()};
    hand([&](Pending& pending) {
        pending.trace.emplace_back(now, std::move(text));
        pending.snapshot = std::move(snapshot);
    });
}

void WindowBridge::publish() {
    ReaderSnapshot snapshot{reader_.state(), reader_.cards()};
    hand([&](Pending& pending) { pending.snapshot = std::move(snapshot); });
}

void WindowBridge::hand(const std::function<void(Pending&)>& add) {
    const std::lock_guard lock(mutex_);
    add(pending_);
    if (!pending_.delivering && window_ != nullptr) {
        pending_.delivering = true;
        QMetaObject::invokeMethod(
            window_, [this] { deliver(); }, Qt::QueuedConnection);
    }
}

void WindowBridge::deliver() {
    Pending taken;
    {
        const std::lock_guard lock(mutex_);
        taken = std::move(pending_);
        pending_ = Pending{};
    }
    for (const auto& [time, exchange] : taken.trace) {
        window_->addTrace(time, exchange);
    }
    for (const auto& lines : taken.replies) {
        window_->showReply(lines);
    }
    if (taken.snapshot) {
        window_->showSnapshot(*taken.snapshot);
    }
}

} // namespace kov450
