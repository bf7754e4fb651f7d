#include "ports/PortAlias.h"

#include "ports/FileDescriptor.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>

namespace ports {

namespace {

// No port name is longer than a path; one byte more tells a longer line apart.
constexpr std::size_t kLongestLine = PATH_MAX - 1;

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r";
    const auto first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

} // namespace

std::variant<std::string, AliasRefusal> aliasTarget(std::string_view text) {
    const std::string_view firstLine = text.substr(0, text.find('\n'));
    if (firstLine.size() > kLongestLine) {
        return AliasRefusal::Empty;
    }
    const std::string_view name = trimmed(firstLine);
    if (name.empty()) {
        return AliasRefusal::Empty;
    }
    return std::string(name);
}

std::variant<std::string, AliasRefusal> readAlias(const SafeFolder& folder,
                                                  const std::string& entry) {
    // O_NONBLOCK: a FIFO put in the file's place must not hold the caller.
    const FileDescriptor fd(::openat(folder.fd(), entry.c_str(),
                                     O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid() || !trustedFile(fd.get())) {
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
    return aliasTarget(text);
}

} // namespace ports
