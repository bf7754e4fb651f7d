#include "emulator/window/WindowBridge.h"

#include "emulator/dumps/CardDump.h"
#include "emulator/dumps/WalletFiles.h"
#include "emulator/host/ErrorLine.h"
#include "emulator/host/StateReport.h"
#include "emulator/model/HexText.h"

#include <QMetaObject>

namespace kov450 {

WindowBridge::WindowBridge(asio::io_context& io, Reader& reader, Console& console, SaveState save,
                           Print print)
    : io_(io), reader_(reader), console_(console), save_(std::move(save)),
      print_(std::move(print)) {
}

void WindowBridge::runOnReader(const std::string& echo, std::function<ConsoleReply()> work) {
    asio::post(io_, [this, echo, work = std::move(work)] {
        print_("window: " + echo);
        ConsoleReply reply = lastingChange(reader_, save_, work);
        for (const std::string& line : reply.lines) {
            print_(line);
        }
        hand([&](Pending& pending) { pending.replies.push_back(std::move(reply.lines)); });
        publish();
        if (reply.quit) {
            io_.stop();
        }
    });
}

void WindowBridge::command(const std::string& line) {
    runOnReader(line, [this, line] { return console_.execute(line); });
}

void WindowBridge::importCard(const std::filesystem::path& path, bool present) {
    runOnReader("import " + path.string(), [this, path, present] {
        const auto imported = importCardFile(reader_, path, present);
        if (const auto* problem = std::get_if<std::string>(&imported)) {
            return ConsoleReply{{errorLine(*problem)}, false};
        }
        const std::size_t index = std::get<std::size_t>(imported);
        return ConsoleReply{{"imported " + describeCard(index, reader_.cards()[index])}, false};
    });
}

void WindowBridge::exportCard(const Uid& uid, const std::filesystem::path& path) {
    runOnReader("export " + hexText(uid) + " " + path.string(), [this, uid, path] {
        const auto index = reader_.findCard(uid);
        if (!index) {
            return ConsoleReply{{errorLine("no card " + hexText(uid))}, false};
        }
        if (const auto problem = writeCardDump(reader_.cards()[*index].card, path)) {
            return ConsoleReply{{errorLine(*problem)}, false};
        }
        return ConsoleReply{{"exported card " + hexText(uid) + " to " + path.string()}, false};
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
