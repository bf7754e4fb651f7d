#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <optional>
#include <string>

namespace testing_support {

/// The user a test running as root becomes to meet a permission, which root would pass by.
inline constexpr uid_t kNobody = 65534;

/// What `act` returns when run by `user`, in a child process that becomes that user (and its
/// group of the same number): a text, or nothing. "no change of user" when it cannot become it.
template <typename Act> std::optional<std::string> asUser(uid_t user, Act act) {
    int pipe[2];
    if (::pipe(pipe) != 0) {
        return "no pipe";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        const std::optional<std::string> said =
            ::setgid(user) == 0 && ::setuid(user) == 0 ? act() : "no change of user";
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

} // namespace testing_support
