#pragma once

#include "journal/JournalLock.h"
#include "journal/OpenPurchases.h"
#include "journal/PurchaseRecord.h"

#include "ports/FileDescriptor.h"
#include "ports/SafeFolder.h"

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace journal {

/// The purchase journal on disk: a CSV file of one line per purchase event, only ever appended
/// to. Each line is on disk before append returns, so a line written before a card write
/// survives a crash during it. The file is created 0600 in a folder that only its user (or
/// root) can change, and other programs of the same user may append to it at the same time:
/// each takes the file's flock in turn.
class PurchaseJournal {
public:
    /// Another program appends one line at a time; a lock held longer than this is held by a
    /// hung one.
    static constexpr std::chrono::milliseconds kLockPatience{2000};

    explicit PurchaseJournal(std::filesystem::path file,
                             std::chrono::milliseconds lockPatience = kLockPatience);

    const std::filesystem::path& path() const { return path_; }

    /// Appends the record and waits until it is on disk; the reason when it could not, and then
    /// the file holds no part of it.
    [[nodiscard]] std::optional<std::string> append(const PurchaseRecord& record);

    /// The card's purchase with no known outcome, as the journal tells it now, lines other
    /// programs appended included; nothing also when the journal cannot be read.
    std::optional<PurchaseRecord> openPurchaseOf(std::string_view cardUid);

private:
    [[nodiscard]] std::optional<std::string> open();
    [[nodiscard]] std::optional<std::string> readNewLines();
    std::string failure(std::string_view what) const;
    std::chrono::steady_clock::time_point lockDeadline() const;

    std::filesystem::path path_;
    std::chrono::milliseconds lockPatience_;
    std::optional<ports::SafeFolder> folder_; ///< the folder fd_ was opened in, once judged
    ports::FileDescriptor fd_;
    std::optional<JournalLockWaiter> lockWaiter_; ///< for fd_'s file
    off_t scanned_ = 0;                           ///< lines before this offset are in open_
    bool lineIsCut_ = false; ///< the bytes after scanned_ are a line with no end
    OpenPurchases open_;
};

} // namespace journal
