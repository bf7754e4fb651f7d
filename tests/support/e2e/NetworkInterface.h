#pragma once

// For test programs in a private network namespace, where even loopback starts down.

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace testing_support {

/// Brings the interface `name` up, first giving it the IPv4 `address` when there is one; false,
/// with errno saying why, when it cannot.
inline bool interfaceUp(const char* name, const char* address = nullptr) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    ifreq request{};
    std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
    bool done = true;
    if (address != nullptr) {
        auto* inet = reinterpret_cast<sockaddr_in*>(&request.ifr_addr);
        inet->sin_family = AF_INET;
        done = ::inet_pton(AF_INET, address, &inet->sin_addr) == 1 &&
               ::ioctl(fd, SIOCSIFADDR, &request) == 0;
    }
    done = done && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    if (done) {
        request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
        done = ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    }
    const int error = errno;
    ::close(fd);
    errno = error;
    return done;
}

} // namespace testing_support
