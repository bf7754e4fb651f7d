#include "emulator/state/StateStore.h"

#include "emulator/state/AtomicFile.h"
#include "emulator/state/StateFile.h"

#include "ports/StateHome.h"

#include <fcntl.h>
#include <sys/file.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace kov450 {

namespace fs = std::filesystem;

namespace {

/// Far more than the largest wallet anyone keeps (a 4K card takes about 9 KB).
constexpr std::uintmax_t kLargestStateFile = 64U << 20U;

/// Why the state file is not even to be read: only a regular file of a sane size is, since a
/// pipe or a device there would hold the start-up forever.
std::optional<std::string> refusalToRead(const fs::path& file) {
    std::error_code error;
    if (!fs::is_regular_file(fs::symlink_status(file, error))) {
        return "it is not a regular file";
    }
    if (fs::file_size(file, error) > kLargestStateFile) {
        return "it is larger than 64 MiB";
    }
    return std::nullopt;
}

} // namespace

fs::path defaultStateFolder() {
    return ports::stateHome() / "kov450-emu";
}

StateStore::StateStore(fs::path folder) : folder_(std::move(folder)) {
    std::error_code error;
    fs::create_directories(folder_, error);
    if (error) {
        throw std::runtime_error("cannot make the state folder " + folder_.string() + ": " +
                                 error.message());
    }
    lock_ = FileDescriptor(::open((folder_ / "lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock_.valid()) {
        throw std::runtime_error("cannot open the lock of the state folder " + folder_.string());
    }
    if (::flock(lock_.get(), LOCK_EX | LOCK_NB) != 0) {
        throw std::runtime_error("the state folder " + folder_.string() +
                                 " is in use by another kov450-emu; give this one its own with "
                                 "--state DIR");
    }
    // Temporary files of a writer killed mid-write: the state file beside them is whole.
    for (const auto& entry : fs::directory_iterator(folder_, error)) {
        if (isAtomicTemporary(entry.path())) {
            fs::remove(entry.path(), error);
        }
    }
}

StateStore::Loaded StateStore::load(Reader& reader) {
    Loaded loaded;
    std::error_code error;
    if (!fs::exists(fs::symlink_status(file(), error))) {
        loaded.messages.push_back("state: none yet in " + folder_.string() + ", starting fresh");
        return loaded;
    }
    std::ostringstream text;
    std::variant<SavedState, std::string> parsed = std::string("it cannot be read");
    if (auto refusal = refusalToRead(file())) {
        parsed = std::move(*refusal);
    } else {
        std::ifstream input(file(), std::ios::binary);
        text << input.rdbuf();
        if (input) {
            parsed = parseStateText(text.str());
        }
    }
    if (auto* problem = std::get_if<std::string>(&parsed)) {
        fs::path aside = file();
        aside += ".unreadable";
        for (int suffix = 2; fs::exists(fs::symlink_status(aside)); ++suffix) {
            aside = file();
            aside += ".unreadable-" + std::to_string(suffix);
        }
        fs::rename(file(), aside, error);
        if (error) {
            // Starting fresh would overwrite it: better not to start.
            throw std::runtime_error("the state file " + file().string() + " is unreadable (" +
                                     *problem + ") and cannot be set aside: " + error.message());
        }
        loaded.messages.push_back("warning: the state file " + file().string() +
                                  " is unreadable (" + *problem + ")");
        loaded.messages.push_back("warning: it is kept as " + aside.string() + "; starting fresh");
        return loaded;
    }
    const SavedState& saved = std::get<SavedState>(parsed);
    restoreState(reader, saved);
    lastSaved_ = text.str();
    loaded.restored = true;
    loaded.messages.push_back("state: " + std::to_string(saved.cards.size()) +
                              " card(s) and the reader's settings from " + file().string());
    return loaded;
}

std::optional<std::string> StateStore::saveIfChanged(const Reader& reader) {
    std::string text = stateText(reader);
    if (text == lastSaved_) {
        return std::nullopt;
    }
    try {
        writeTextAtomically(file(), text);
    } catch (const std::system_error& error) {
        return std::string("the state was not saved: ") + error.what();
    }
    lastSaved_ = std::move(text);
    return std::nullopt;
}

} // namespace kov450
