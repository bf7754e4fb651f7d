#pragma once

#include "emulator/host/WalletActions.h"

namespace kov450 {

/// What the window asks of the reader. The reader lives on another thread: each request is
/// queued to it, and what follows comes back to the window as a reply and a new snapshot.
class ReaderLink {
public:
    virtual ~ReaderLink() = default;
    /// The same actions the console reads its words into.
    virtual void act(WalletAction action) = 0;
};

} // namespace kov450
