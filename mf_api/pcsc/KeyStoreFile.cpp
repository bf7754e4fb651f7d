#include "mf_api/pcsc/KeyStoreFile.h"

#include "ports/FileDescriptor.h"
#include "ports/PortFolder.h"
#include "ports/StateHome.h"
#include "protocol/Status.h"

#include <MF_API.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace mfapi::pcsc {

namespace fs = std::filesystem;
using ports::FileDescriptor;

namespace {

// 32 lines of at most 20 bytes; anything longer is not our file.
constexpr std::size_t kLongestFile = 4096;
constexpr std::size_t kSlots = protocol::kKeySlots;

using Slots = std::array<std::array<StoredKeySlot, kSlots>, 2>;

char typeLetter(std::size_t keyType) {
    return keyType == 1 ? 'A' : 'B';
}

std::optional<protocol::Key> keyFromHex(const std::string& text) {
    protocol::Key key{};
    if (text.size() != key.size() * 2) {
        return std::nullopt;
    }
    for (std::size_t at = 0; at < key.size(); ++at) {
        unsigned value = 0;
        if (std::sscanf(text.substr(at * 2, 2).c_str(), "%2x", &value) != 1) {
            return std::nullopt;
        }
        key[at] = static_cast<std::uint8_t>(value);
    }
    return key;
}

bool parse(const std::string& text, Slots& slots) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string type;
        std::size_t slot = kSlots;
        std::string where;
        if (!(words >> type >> slot >> where) || (type != "A" && type != "B") || slot >= kSlots) {
            return false;
        }
        StoredKeySlot& target = slots[type == "A" ? 1 : 0][slot];
        if (where == "reader") {
            target.inReader = true;
        } else if (const auto key = keyFromHex(where)) {
            target = StoredKeySlot{false, *key};
        } else {
            return false;
        }
    }
    return true;
}

std::string format(const Slots& slots) {
    std::string text;
    for (std::size_t keyType : {1U, 0U}) {
        for (std::size_t slot = 0; slot < kSlots; ++slot) {
            const StoredKeySlot& entry = slots[keyType][slot];
            std::array<char, 16> hex{};
            std::string where = "reader";
            if (!entry.inReader) {
                where.clear();
                for (const std::uint8_t byte : entry.key) {
                    std::snprintf(hex.data(), hex.size(), "%02X", byte);
                    where += hex.data();
                }
            }
            text += std::string(1, typeLetter(keyType)) + " " + std::to_string(slot) + " " + where +
                    "\n";
        }
    }
    return text;
}

/// Reads the slots; a missing file holds factory keys.
std::int32_t readSlots(const fs::path& file, Slots& slots) {
    slots = Slots{};
    const FileDescriptor fd(
        ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
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
    return text.size() <= kLongestFile && parse(text, slots) ? protocol::status::kOk : MF_ERR_IO;
}

/// Makes the folders that are missing private, and uses the folder only under the port
/// folder's rule: no one else may put a file in it.
bool prepareFolder(const fs::path& folder) {
    fs::path step;
    for (const fs::path& part : folder) {
        step /= part;
        if (::mkdir(step.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return !ports::unsafeFolderReason(folder).has_value();
}

bool writeAll(int fd, const std::string& text) {
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

/// Replaces the file whole: a new private file beside it (mkstemp: O_CREAT|O_EXCL, 0600),
/// synced and renamed over it, then the folder synced.
std::int32_t writeSlots(const fs::path& file, const Slots& slots) {
    const fs::path folder = file.parent_path();
    if (!prepareFolder(folder)) {
        return MF_ERR_IO;
    }
    std::string name = (folder / (file.filename().string() + ".XXXXXX")).string();
    const FileDescriptor fd(::mkostemp(name.data(), O_CLOEXEC));
    if (!fd.valid()) {
        return MF_ERR_IO;
    }
    const bool written = ::fchmod(fd.get(), 0600) == 0 && writeAll(fd.get(), format(slots)) &&
                         ::fsync(fd.get()) == 0 && ::rename(name.c_str(), file.c_str()) == 0;
    if (!written) {
        ::unlink(name.c_str());
        return MF_ERR_IO;
    }
    const FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.valid()) {
        ::fsync(directory.get());
    }
    return protocol::status::kOk;
}

} // namespace

fs::path KeyStoreFile::defaultPath() {
    return ports::stateHome() / "mf_api" / "pcsc-keys";
}

std::int32_t KeyStoreFile::load(std::uint8_t keyType, std::uint8_t slot, StoredKeySlot& out) const {
    Slots slots{};
    if (const std::int32_t status = readSlots(file_, slots); status != protocol::status::kOk) {
        return status;
    }
    out = slots.at(keyType).at(slot);
    return protocol::status::kOk;
}

std::int32_t KeyStoreFile::store(std::uint8_t keyType, std::uint8_t slot,
                                 const StoredKeySlot& value) const {
    Slots slots{};
    if (const std::int32_t status = readSlots(file_, slots); status != protocol::status::kOk) {
        return status;
    }
    slots.at(keyType).at(slot) = value;
    return writeSlots(file_, slots);
}

} // namespace mfapi::pcsc
