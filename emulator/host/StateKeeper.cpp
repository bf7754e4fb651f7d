#include "emulator/host/StateKeeper.h"

#include "emulator/host/ErrorLine.h"

namespace kov450 {

void StateKeeper::keep(ReaderChange& change) {
    // Saved before the answer leaves: nothing is acknowledged that the next start would not find.
    if (change.mayLast()) {
        if (const auto problem = save()) {
            change.undo(*problem);
        }
    }
    if (const auto& notice = change.notice()) {
        print_(*notice);
    }
    if (link_ != nullptr) {
        link_->followField();
    }
    if (view_ != nullptr) {
        view_->show(change);
    }
}

std::optional<std::string> StateKeeper::save() {
    const auto problem = store_.saveIfChanged(reader_);
    return problem ? std::optional(errorLine(*problem)) : std::nullopt;
}

} // namespace kov450
