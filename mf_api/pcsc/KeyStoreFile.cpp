#include "mf_api/pcsc/KeyStoreFile.h"

#include "ports/FileDescriptor.h"
#include "ports/SafeFolder.h"
#include "ports/StateHome.h"
#include "protocol/Status.h"

#include <MF_API.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <thread>

namespace mfapi::pcsc {

namespace fs = std::filesystem;
using ports::FileDescriptor;

namespace {

// 32 lines of at most 20 bytes; anything longer is not our file.
constexpr std::size_t kLongestFile = 4096;
constexpr std::size_t kSlots = protocol::kKeySlots;
/// A store takes a millisecond; a lock held far longer belongs to a program that hangs.
constexpr auto kLockPatience = std::chrono::seconds(2);

std::optional<std::uint8_t> hexDigit(char digit) {
    if (digit >= '0' && digit <= '9') {
        return static_cast<std::uint8_t>(digit - '0');
    }
    if (digit >= 'A' && digit <= 'F') {
        return static_cast<std::uint8_t>(digit - 'A' + 10);
    }
    if (digit >= 'a' && digit <= 'f') {
        return static_cast<std::uint8_t>(digit - 'a' + 10);
    }
    return std::nullopt;
}

std::optional<protocol::Key> keyFromHex(std::string_view text) {
    protocol::Key key{};
    if (text.size() != key.size() * 2) {
        return std::nullopt;
    }
    for (std::size_t at = 0; at < key.size(); ++at) {
        const auto high = hexDigit(text[2 * at]);
        const auto low = hexDigit(text[2 * at + 1]);
        if (!high || !low) {
            return std::nullopt;
        }
        key[at] = static_cast<std::uint8_t>(*high << 4 | *low);
    }
    return key;
}

/// The words of a line split at single spaces: "A 3 KEY" gives three, "A  3 KEY" four.
std::optional<std::array<std::string_view, 3>> threeWords(std::string_view line) {
    std::array<std::string_view, 3> words;
    for (std::size_t index = 0; index < words.size(); ++index) {
        const auto space = line.find(' ');
        words[index] = line.substr(0, space);
        if ((space == std::string_view::npos) != (index == words.size() - 1) ||
            words[index].empty()) {
            return std::nullopt;
        }
        line.remove_prefix(space == std::string_view::npos ? line.size() : space + 1);
    }
    return words;
}

std::optional<std::size_t> slotNumber(std::string_view text) {
    std::size_t slot = kSlots;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), slot);
    if (error != std::errc{} || end != text.data() + text.size() || slot >= kSlots) {
        return std::nullopt;
    }
    return slot;
}

/// Holds an advisory lock on the key store's folder, so that two stores do not interleave.
class FolderLock {
public:
    explicit FolderLock(int fd) : fd_(fd) {
        const auto giveUp = std::chrono::steady_clock::now() + kLockPatience;
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) ||
                std::chrono::steady_clock::now() > giveUp) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        held_ = true;
    }
    ~FolderLock() {
        if (held_) {
            ::flock(fd_, LOCK_UN);
        }
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool held() const { return held_; }

private:
    int fd_;
    bool held_ = false;
};

/// Reads the slots from the folder; a missing file holds factory keys.
[[nodiscard]] std::int32_t readSlots(const ports::SafeFolder& folder, const std::string& name,
                                     KeySlots& slots) {
    slots = KeySlots{};
    const FileDescriptor fd(::openat(folder.fd(), name.c_str(),
                                     O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid()) {
        return errno == ENOENT ? protocol::status::kOk : MF_ERR_IO;
    }
    struct stat info {};
    // Keys that others could read are no secret any more; a file of someone else's is no store.
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() ||
        (info.st_mode & (S_IRWXG | S_IRWXO)) != 0 ||
        static_cast<std::size_t>(info.st_size) > kLongestFile) {
        return MF_ERR_IO;
    }
    std::string text;
    std::array<char, 1024> chunk{};
    for (;;) {
        const ssize_t got = ::read(fd.get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return MF_ERR_IO;
        }
        if (got == 0 || text.size() > kLongestFile) {
            break;
        }
        text.append(chunk.data(), static_cast<std::size_t>(got));
    }
    const auto parsed = text.size() <= kLongestFile ? parseKeySlots(text) : std::nullopt;
    if (!parsed) {
        return MF_ERR_IO;
    }
    slots = *parsed;
    return protocol::status::kOk;
}

[[nodiscard]] bool writeAll(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t put = ::write(fd, text.data() + written, text.size() - written);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(put);
    }
    return true;
}

/// Replaces the file whole: a new private file beside it, synced and renamed over it, then the
/// folder synced. Called under the folder's lock, so the new file's name is ours alone.
[[nodiscard]] std::int32_t writeSlots(const ports::SafeFolder& folder, const std::string& name,
                                      const KeySlots& slots) {
    const std::string fresh = "." + name + ".new";
    ::unlinkat(folder.fd(), fresh.c_str(), 0); // left by a store that was killed
    const FileDescriptor fd(::openat(folder.fd(), fresh.c_str(),
                                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    const bool written = fd.valid() && ::fchmod(fd.get(), 0600) == 0 &&
                         writeAll(fd.get(), formatKeySlots(slots)) && ::fsync(fd.get()) == 0 &&
                         ::renameat(folder.fd(), fresh.c_str(), folder.fd(), name.c_str()) == 0;
    if (!written) {
        ::unlinkat(folder.fd(), fresh.c_str(), 0);
        return MF_ERR_IO;
    }
    ::fsync(folder.fd());
    return protocol::status::kOk;
}

} // namespace

std::optional<KeySlots> parseKeySlots(std::string_view text) {
    KeySlots slots{};
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty()) {
            continue;
        }
        const auto words = threeWords(line);
        if (!words || ((*words)[0] != "A" && (*words)[0] != "B")) {
            return std::nullopt;
        }
        const auto slot = slotNumber((*words)[1]);
        if (!slot) {
            return std::nullopt;
        }
        StoredKeySlot& target =
            slots.at((*words)[0] == "A" ? protocol::KeyType::A : protocol::KeyType::B, *slot);
        if ((*words)[2] == "reader") {
            target = StoredKeySlot{true, {}};
        } else if (const auto key = keyFromHex((*words)[2])) {
            target = StoredKeySlot{false, *key};
        } else {
            return std::nullopt;
        }
    }
    return slots;
}

std::string formatKeySlots(const KeySlots& slots) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    std::string text;
    for (const protocol::KeyType keyType : {protocol::KeyType::A, protocol::KeyType::B}) {
        for (std::size_t slot = 0; slot < kSlots; ++slot) {
            const StoredKeySlot& entry = slots.at(keyType, slot);
            text += keyType == protocol::KeyType::A ? "A " : "B ";
            text += std::to_string(slot) + " ";
            if (entry.inReader) {
                text += "reader";
            } else {
                for (const std::uint8_t byte : entry.key) {
                    text += kHex[byte >> 4];
                    text += kHex[byte & 0x0F];
                }
            }
            text += "\n";
        }
    }
    return text;
}

fs::path KeyStoreFile::defaultPath() {
    return ports::stateHome() / "mf_api" / "pcsc-keys";
}

Result<StoredKeySlot> KeyStoreFile::load(protocol::KeyType keyType, std::uint8_t slot) const {
    auto folder = ports::SafeFolder::open(file_.parent_path());
    if (const auto* problem = std::get_if<ports::FolderProblem>(&folder)) {
        // Nothing stored yet: every slot holds the factory key.
        if (problem->kind != ports::FolderProblem::Kind::Missing) {
            return {MF_ERR_IO, {}};
        }
        return {protocol::status::kOk, StoredKeySlot{}};
    }
    KeySlots slots{};
    if (const std::int32_t status =
            readSlots(std::get<ports::SafeFolder>(folder), file_.filename(), slots);
        status != protocol::status::kOk) {
        return {status, {}};
    }
    return {protocol::status::kOk, slots.at(keyType, slot)};
}

std::int32_t KeyStoreFile::store(protocol::KeyType keyType, std::uint8_t slot,
                                 const StoredKeySlot& value) const {
    auto opened = ports::SafeFolder::make(file_.parent_path());
    if (std::holds_alternative<ports::FolderProblem>(opened)) {
        return MF_ERR_IO;
    }
    const auto& folder = std::get<ports::SafeFolder>(opened);
    const FolderLock lock(folder.fd());
    if (!lock.held()) {
        return MF_ERR_IO;
    }
    KeySlots slots{};
    if (const std::int32_t status = readSlots(folder, file_.filename(), slots);
        status != protocol::status::kOk) {
        return status;
    }
    slots.at(keyType, slot) = value;
    return writeSlots(folder, file_.filename(), slots);
}

} // namespace mfapi::pcsc
