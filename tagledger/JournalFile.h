#pragma once

// A journal file as push reads it: opened once, read by place, and told apart from a new
// journal started under the same name after the old one was moved away.

#include "ports/FileDescriptor.h"

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>

namespace tagledger {

class JournalFile {
public:
    /// The journal, opened read-only: a regular file, not a link; or why not.
    [[nodiscard]] static std::variant<JournalFile, std::string>
    open(const std::filesystem::path& path);

    /// Up to `most` bytes from `place`; empty at the end; nothing on a read error.
    [[nodiscard]] std::optional<std::string> read(std::int64_t place, std::size_t most) const;

    /// Its first purchase line (without LF), which names the journal; nothing while it has none.
    [[nodiscard]] std::optional<std::string> firstPurchaseLine() const;

    /// Whether the name now leads to another file or to none: the journal was moved away.
    bool movedAway() const;

    const std::filesystem::path& path() const { return path_; }

private:
    JournalFile(std::filesystem::path path, ports::FileDescriptor fd, dev_t device, ino_t inode)
        : path_(std::move(path)), fd_(std::move(fd)), device_(device), inode_(inode) {}

    std::filesystem::path path_;
    ports::FileDescriptor fd_;
    dev_t device_;
    ino_t inode_;
};

} // namespace tagledger
