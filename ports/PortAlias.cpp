#include "ports/PortAlias.h"

#include "ports/FileDescriptor.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <climits>
#include <string_view>

namespace ports {

namespace {

// No port name is longer than a path; one byte more tells a longer line apart.
constexpr std::size_t kLongestLine = PATH_MAX - 1;

bool trusted(const struct stat& info) {
    return S_ISREG(info.st_mode) && (info.st_uid == ::geteuid() || info.st_uid == 0) &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r";
    const auto first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

} // namespace

std::variant<std::string, AliasRefusal> readAlias(const std::filesystem::path& file) {
    // O_NONBLOCK: a FIFO put in the file's place must not hold the caller.
    const FileDescriptor fd(
        ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !trusted(info)) {
        return AliasRefusal::Unsafe;
    }
    std::string text;
    std::array<char, 512> chunk{};
    while (text.size() <= kLongestLine && text.find('\n') == std::string::npos) {
        const ssize_t got = ::read(fd.get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        text.append(chunk.data(), static_cast<std::size_t>(got));
    }
    const std::string_view firstLine = std::string_view(text).substr(0, text.find('\n'));
    if (firstLine.size() > kLongestLine) {
        return AliasRefusal::Empty;
    }
    const std::string_view name = trimmed(firstLine);
    if (name.empty()) {
        return AliasRefusal::Empty;
    }
    return std::string(name);
}

} // namespace ports
