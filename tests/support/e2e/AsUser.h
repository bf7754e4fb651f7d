#pragma once

#include <sched.h>
#include <sys/mount.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

namespace testing_support {

/// The user a test running as root becomes to meet a permission, which root would pass by.
inline constexpr uid_t kNobody = 65534;

/// What `act` returns when run in a child process: a text, or nothing. The child's changes
/// (its user, its mounts) end with it.
template <typename Act> std::optional<std::string> inChild(Act act) {
    int pipe[2];
    if (::pipe(pipe) != 0) {
        return "no pipe";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        const std::optional<std::string> said = act();
        // A first byte tells nothing from an empty text.
        const std::string message = said ? "=" + *said : "";
        [[maybe_unused]] const ssize_t wrote = ::write(pipe[1], message.data(), message.size());
        ::_exit(0);
    }
    ::close(pipe[1]);
    std::string heard;
    std::array<char, 512> chunk{};
    for (ssize_t got; (got = ::read(pipe[0], chunk.data(), chunk.size())) > 0;) {
        heard.append(chunk.data(), static_cast<std::size_t>(got));
    }
    ::close(pipe[0]);
    ::waitpid(child, nullptr, 0);
    if (heard.empty()) {
        return std::nullopt;
    }
    return heard.substr(1);
}

/// What `act` returns when run by `user` (and its group of the same number), in a child
/// process. "no change of user" when it cannot become that user.
template <typename Act> std::optional<std::string> asUser(uid_t user, Act act) {
    return inChild([&]() -> std::optional<std::string> {
        return ::setgid(user) == 0 && ::setuid(user) == 0 ? act() : "no change of user";
    });
}

/// What `act` returns when run in a child process with a mount namespace of its own, whose /tmp
/// is an empty tmpfs (mode 1777, as /tmp is): a test may then make /tmp/mf_api-0 and the like
/// without touching the machine's /tmp. "no private /tmp: ..." when that cannot be made.
template <typename Act> std::optional<std::string> inPrivateTmp(Act act) {
    return inChild([&]() -> std::optional<std::string> {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", "/tmp", "tmpfs", MS_NOSUID | MS_NODEV, "mode=1777") != 0) {
            return std::string("no private /tmp: ") + std::strerror(errno);
        }
        return act();
    });
}

} // namespace testing_support
