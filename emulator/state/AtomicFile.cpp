#include "emulator/state/AtomicFile.h"

#include "emulator/state/FileDescriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace kov450 {

namespace {

constexpr std::string_view kTemporaryMark = ".partial-";

[[noreturn]] void fail(const std::string& what, const std::filesystem::path& path) {
    throw std::system_error(errno, std::generic_category(), what + " " + path.string());
}

/// A temporary file that removes itself unless it was renamed into place.
class TemporaryFile {
public:
    TemporaryFile(const std::filesystem::path& target, unsigned permissions) {
        std::string pattern = (target.parent_path() / ("." + target.filename().string() +
                                                       std::string(kTemporaryMark) + "XXXXXX"))
                                  .string();
        fd_ = FileDescriptor(::mkostemp(pattern.data(), O_CLOEXEC));
        if (!fd_.valid()) {
            fail("cannot create a temporary file beside", target);
        }
        path_ = pattern;
        if (::fchmod(fd_.get(), static_cast<mode_t>(permissions)) != 0) {
            fail("cannot set the permissions of", path_);
        }
    }
    ~TemporaryFile() {
        if (!renamed_) {
            ::unlink(path_.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    void write(std::span<const char> contents) {
        std::size_t done = 0;
        while (done < contents.size()) {
            const ssize_t written =
                ::write(fd_.get(), contents.data() + done, contents.size() - done);
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                fail("cannot write", path_);
            }
            done += static_cast<std::size_t>(written);
        }
        if (::fsync(fd_.get()) != 0) {
            fail("cannot sync", path_);
        }
        fd_.reset();
    }
    void renameTo(const std::filesystem::path& target) {
        if (::rename(path_.c_str(), target.c_str()) != 0) {
            fail("cannot rename into", target);
        }
        renamed_ = true;
    }

private:
    FileDescriptor fd_;
    std::filesystem::path path_;
    bool renamed_ = false;
};

} // namespace

void writeFileAtomically(const std::filesystem::path& path, std::span<const char> contents,
                         unsigned permissions) {
    const std::filesystem::path folder =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    TemporaryFile temporary(folder / path.filename(), permissions);
    temporary.write(contents);
    temporary.renameTo(path);
    const FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFd.valid() || ::fsync(folderFd.get()) != 0) {
        fail("cannot sync the folder", folder);
    }
}

bool isAtomicTemporary(const std::filesystem::path& name) {
    const std::string text = name.filename().string();
    return text.starts_with('.') && text.find(kTemporaryMark) != std::string::npos;
}

} // namespace kov450
