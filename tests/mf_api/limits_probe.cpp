// Run by NetworkLimitsTest inside a private network and mount namespace (unshare -n -m): it
// brings up loopback, plays a hostile network, and reports how one library call fared as
// "status=S ms=M". Everything it starts dies with it; an alarm bounds its life.
#include "e2e/NetworkInterface.h"

#include <MF_API.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

[[noreturn]] void fail(const char* what) {
    std::printf("probe failed: %s: %s\n", what, std::strerror(errno));
    std::fflush(stdout);
    std::_Exit(2);
}

int boundSocket(int type, std::uint16_t port) {
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        fail("bind");
    }
    return fd;
}

std::uint16_t portOf(int fd) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    return ntohs(address.sin_port);
}

/// A reader on the network that, once connected, sends noise and never stops.
std::string startEndlessSender() {
    const int listener = boundSocket(SOCK_STREAM, 0);
    if (::listen(listener, 1) != 0) {
        fail("listen");
    }
    std::thread([listener] {
        const int client = ::accept(listener, nullptr, nullptr);
        const std::array<unsigned char, 4096> noise{};
        while (client >= 0 && ::send(client, noise.data(), noise.size(), MSG_NOSIGNAL) > 0) {
        }
    }).detach();
    return "socket://127.0.0.1:" + std::to_string(portOf(listener));
}

/// A name server that takes every question and answers none, in place of the system's.
void startSilentNameServer() {
    const int server = boundSocket(SOCK_DGRAM, 53);
    std::thread([server] {
        std::array<char, 512> question{};
        while (::recv(server, question.data(), question.size(), 0) >= 0) {
        }
    }).detach();
    char path[] = "/tmp/kov450-resolv-XXXXXX";
    const int file = ::mkstemp(path);
    const std::string text = "nameserver 127.0.0.1\noptions timeout:30 attempts:1\n";
    if (file < 0 || ::write(file, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        fail("resolv.conf");
    }
    ::close(file);
    if (::mount(path, "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0) {
        fail("mount resolv.conf");
    }
    ::unlink(path);
}

template <typename Call> void report(Call call) {
    const auto start = std::chrono::steady_clock::now();
    const std::int32_t status = call();
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::printf("status=%d ms=%lld\n", status, static_cast<long long>(took.count()));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    ::alarm(60);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s endless-sender|silent-name-server\n", argv[0]);
        return 2;
    }
    if (!testing_support::interfaceUp("lo")) {
        fail("loopback up");
    }
    const std::string mode = argv[1];
    if (mode == "endless-sender") {
        const std::string port = startEndlessSender();
        if (MF_InitComm(port.c_str(), 9600) != MF_OK) {
            fail("open");
        }
        for (int call = 0; call < 3; ++call) {
            report([] {
                std::array<std::uint8_t, 3> type{};
                return MF_Request(0, MF_REQUEST_IDLE, type.data());
            });
        }
    } else if (mode == "silent-name-server") {
        startSilentNameServer();
        report([] { return MF_InitComm("socket://reader.kov450.test:4001", 9600); });
    } else {
        return 2;
    }
    std::_Exit(0);
}
