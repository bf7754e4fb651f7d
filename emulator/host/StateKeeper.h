#pragma once

#include "emulator/host/ReaderChange.h"
#include "emulator/pcsc/VpcdLink.h"
#include "emulator/state/StateStore.h"

#include <functional>
#include <optional>
#include <string>

namespace kov450 {

/// The one keeper of the reader's changes: it follows every ReaderChange before its answer goes
/// out. It saves what lasts in the state folder, and when that fails undoes the change, which
/// then answers a refusal, and says why; then it lets the link to vpcd follow the field and
/// shows the change, its trace row too, in the window.
class StateKeeper final : public ChangeKeeper {
public:
    using Print = std::function<void(const std::string&)>;

    StateKeeper(StateStore& store, const Reader& reader, Print print)
        : store_(store), reader_(reader), print_(std::move(print)) {}

    /// The link that serves the card in the field to vpcd, when there is one.
    void follow(pcsc::VpcdLink& link) { link_ = &link; }
    /// The window, when there is one.
    void showIn(ReaderView& view) { view_ = &view; }

    void keep(ReaderChange& change) override;

    /// Saves the reader as it is now when the state folder holds something else; an error line
    /// saying why when it could not.
    [[nodiscard]] std::optional<std::string> save();

private:
    StateStore& store_;
    const Reader& reader_;
    Print print_;
    pcsc::VpcdLink* link_ = nullptr;
    ReaderView* view_ = nullptr;
};

} // namespace kov450
