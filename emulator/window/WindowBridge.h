#pragma once

#include "emulator/host/ReaderSession.h"
#include "emulator/window/EmulatorWindow.h"

#include <asio.hpp>

#include <functional>
#include <mutex>

namespace kov450 {

/// Carries work between the reader's thread, which runs the Asio loop, and the window's thread,
/// which runs Qt. The reader, its console and its state folder belong to the reader's thread
/// alone: the window's requests are posted to that thread, and what the reader did comes back
/// as copies (snapshots, trace rows, replies), gathered under a lock and handed over in one
/// queued call however many piled up meanwhile.
class WindowBridge : public ReaderLink, public ReaderView {
public:
    using Print = std::function<void(const std::string&)>;

    /// The window's requests go to `session` on the reader's thread, which keeps each change
    /// (or undoes it and says why) before the reply comes back. `print` echoes the window's
    /// requests, in the console's words, and their replies on the console.
    WindowBridge(asio::io_context& io, ReaderSession& session, Print print);

    /// The window that receives what the reader did; it outlives the reader's loop.
    void attach(EmulatorWindow& window) { window_ = &window; }

    // The window's thread.
    void act(WalletAction action) override;

    // The reader's thread.
    /// Sends the window the change's trace row, why it was refused, and a snapshot.
    void show(const ReaderChange& change) override;
    /// Sends the window a snapshot of the reader as it is now.
    void publish();

private:
    struct Pending {
        std::optional<ReaderSnapshot> snapshot;
        std::vector<std::pair<QTime, ExchangeText>> trace;
        std::vector<std::vector<std::string>> replies;
        bool delivering = false;
    };

    /// Takes the lock; asks the window's thread to deliver unless a delivery is on its way.
    void hand(const std::function<void(Pending&)>& add);
    void deliver();

    asio::io_context& io_;
    ReaderSession& session_;
    EmulatorWindow* window_ = nullptr;
    Print print_;
    std::mutex mutex_;
    Pending pending_;
};

} // namespace kov450
