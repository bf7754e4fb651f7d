#include "emulator/window/WindowBridge.h"

#include <QMetaObject>

namespace kov450 {

WindowBridge::WindowBridge(asio::io_context& io, ReaderSession& session, Print print)
    : io_(io), session_(session), print_(std::move(print)) {
}

void WindowBridge::act(WalletAction action) {
    asio::post(io_, [this, action = std::move(action)]() mutable {
        print_("window: " + commandLine(action));
        std::vector<std::string> lines = session_.apply(WalletCommand{std::move(action)});
        for (const std::string& line : lines) {
            print_(line);
        }
        hand([&](Pending& pending) { pending.replies.push_back(std::move(lines)); });
    });
}

void WindowBridge::show(const ReaderChange& change) {
    const QTime now = QTime::currentTime();
    std::optional<ExchangeText> row = traceRow(change.exchange());
    ReaderSnapshot snapshot{session_.reader().state(), session_.reader().cards()};
    hand([&](Pending& pending) {
        if (row) {
            pending.trace.emplace_back(now, std::move(*row));
        }
        if (const auto& notice = change.notice()) {
            pending.replies.push_back({*notice});
        }
        pending.snapshot = std::move(snapshot);
    });
}

void WindowBridge::publish() {
    ReaderSnapshot snapshot{session_.reader().state(), session_.reader().cards()};
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
