#pragma once

#include "emulator/host/ReaderOperation.h"
#include "emulator/model/Reader.h"

#include <optional>
#include <string>

namespace kov450 {

/// The one event the reader raises for each operation it applied (ReaderSession), before the
/// answer goes out: what was asked, the answer so far, and whether what lasts may have changed.
class ReaderChange {
public:
    /// `before` is the reader as it was, given when the operation may have changed what lasts.
    ReaderChange(Reader& reader, ReaderExchange exchange, std::optional<Reader::Memento> before)
        : reader_(reader), exchange_(std::move(exchange)), before_(std::move(before)) {}

    const ReaderExchange& exchange() const { return exchange_; }
    /// Whether what lasts (what the state folder holds) may have changed, so that it has to be
    /// kept before the answer goes out.
    bool mayLast() const { return before_.has_value(); }
    /// Puts the reader back as it was before the operation and makes the answer a refusal: for
    /// a frame the reader's status for a change it could not keep (unkeptStatus), for a console
    /// or wallet command `reason` and "the change is undone", for an APDU 65 81 (memory
    /// failure). Only a change that may last can be undone.
    void undo(const std::string& reason);
    /// A line for a person beside the answer, once a frame or an APDU was undone: its answer
    /// says nothing of why.
    const std::optional<std::string>& notice() const { return notice_; }

    /// The answer, moved out of the change.
    template <typename Operation> typename Operation::Answer takeAnswer() {
        return std::move(std::get<Exchange<Operation>>(exchange_).answer);
    }

private:
    Reader& reader_;
    ReaderExchange exchange_;
    std::optional<Reader::Memento> before_;
    std::optional<std::string> notice_;
};

/// Follows each change the reader raises, before its answer goes out (StateKeeper).
class ChangeKeeper {
public:
    virtual ~ChangeKeeper() = default;
    virtual void keep(ReaderChange& change) = 0;
};

/// What shows the reader to a person (the window): told by the keeper of each change once its
/// answer is final, on the reader's thread.
class ReaderView {
public:
    virtual ~ReaderView() = default;
    virtual void show(const ReaderChange& change) = 0;
};

} // namespace kov450
