// Run by Ser2netTest and the benchmark inside a private network and mount namespace (unshare -n
// -m): brings up loopback, starts the real ser2net with docs/ser2net.yaml in front of the
// emulator's pty, and drives our library through socket://127.0.0.1:4001. Reports each call as
// "step NAME status=S" and other facts as "NAME=VALUE" lines. Everything it starts dies with
// it; an alarm bounds its life.
//
//   ser2net_probe purchase|restart|second-client CONFIG PTY
//   ser2net_probe bench CONFIG PTY ROUNDS
//   ser2net_probe client PORT     (the second client, run by second-client)
#include "e2e/NetworkInterface.h"

#include <MF_API.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* kPort = "socket://127.0.0.1:4001";
constexpr const char* kShippedDevice = "/dev/ttyUSB0";
constexpr std::array<std::uint8_t, 6> kKey{0x7D, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D};

[[noreturn]] void fail(const std::string& what) {
    std::printf("probe failed: %s: %s\n", what.c_str(), std::strerror(errno));
    std::fflush(stdout);
    std::_Exit(2);
}

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::int32_t step(const std::string& name, std::int32_t status) {
    say("step " + name + " status=" + std::to_string(status));
    return status;
}

/// Loopback up, with a second loopback address: ser2net looks its accepter up with
/// AI_ADDRCONFIG, which counts no IPv4 address configured while 127.0.0.1 is the only one.
void bringUpLoopback() {
    if (!testing_support::interfaceUp("lo", "127.0.0.1")) {
        fail("loopback up");
    }
    if (!testing_support::interfaceUp("lo:1", "127.0.0.2")) {
        fail("second loopback address");
    }
}

/// The shipped configuration with the emulator's pty as its device, in a file of its own.
std::string configFor(const std::string& shipped, const std::string& pty) {
    std::ifstream in(shipped);
    std::stringstream text;
    text << in.rdbuf();
    std::string config = text.str();
    const auto at = config.find(kShippedDevice);
    if (at == std::string::npos || config.find(kShippedDevice, at + 1) != std::string::npos) {
        fail("the shipped configuration names " + std::string(kShippedDevice) + " not once");
    }
    config.replace(at, std::strlen(kShippedDevice), pty);
    char path[] = "/tmp/kov450-ser2net-XXXXXX";
    const int file = ::mkstemp(path);
    if (file < 0 ||
        ::write(file, config.data(), config.size()) != static_cast<ssize_t>(config.size())) {
        fail("configuration copy");
    }
    ::close(file);
    return path;
}

/// Whether anything listens on TCP port 4001 here, read from /proc so that no connection
/// takes ser2net's one connection.
bool listening() {
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream in(table);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state;
            fields >> slot >> local >> remote >> state;
            if (local.size() > 5 && local.substr(local.size() - 5) == ":0FA1" && state == "0A") {
                return true;
            }
        }
    }
    return false;
}

/// The real ser2net, in the foreground, without UUCP lock files, dying with the probe.
class Ser2net {
public:
    explicit Ser2net(std::string config) : config_(std::move(config)) {}
    ~Ser2net() {
        stop();
        ::unlink(config_.c_str());
        ::unlink((config_ + ".pid").c_str());
    }
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    void start() {
        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent) {
                ::_exit(127);
            }
            const std::string pidFile = config_ + ".pid";
            ::execlp("ser2net", "ser2net", "-n", "-u", "-c", config_.c_str(), "-P", pidFile.c_str(),
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        const auto deadline = Clock::now() + 10s;
        while (!listening()) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                fail("ser2net ended at start");
            }
            if (Clock::now() > deadline) {
                fail("ser2net does not listen on 4001");
            }
            std::this_thread::sleep_for(10ms);
        }
        say("ser2net started");
    }

    void stop() {
        if (pid_ <= 0) {
            return;
        }
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        say("ser2net stopped");
    }

private:
    std::string config_;
    pid_t pid_ = -1;
};

struct Card {
    std::array<std::uint8_t, 4> serial{};
};

/// Request, anticollision, select, load key 7D x 6, authenticate block 4 with key type 0.
bool openSector(Card& card) {
    std::array<std::uint8_t, 3> type{};
    return step("request", MF_Request(0, MF_REQUEST_IDLE, type.data())) == MF_OK &&
           step("anticoll", MF_Anticoll(0, card.serial.data())) == MF_OK &&
           step("select", MF_Select(0, card.serial.data())) == MF_OK &&
           step("loadkey", MF_LoadKey(0, kKey.data())) == MF_OK &&
           step("authentication", MF_Authentication(0, MF_KEY_B, 4, card.serial.data())) == MF_OK;
}

std::int32_t readVersion(const std::string& name) {
    std::array<std::uint8_t, 33> version{};
    return step(name, MF_GetDevice_Ver(0, version.data()));
}

/// A purchase's read, modify and write of the credit in byte 0 of block 4, and its read back.
void purchase(Ser2net& server) {
    server.start();
    if (step("open", MF_InitComm(kPort, 9600)) != MF_OK) {
        return;
    }
    Card card;
    std::array<std::uint8_t, 16> block{};
    std::array<std::uint8_t, 16> again{};
    if (openSector(card) && step("read", MF_Read(0, 4, 1, block.data())) == MF_OK) {
        const unsigned before = block[0];
        block[0] = static_cast<std::uint8_t>(before - 10);
        if (step("write", MF_Write(0, 4, 1, block.data())) == MF_OK &&
            step("read back", MF_Read(0, 4, 1, again.data())) == MF_OK) {
            say("credit before=" + std::to_string(before) + " written=" + std::to_string(block[0]) +
                " read=" + std::to_string(again[0]) + " rest=" +
                (std::equal(block.begin() + 1, block.end(), again.begin() + 1) ? "same"
                                                                               : "changed"));
        }
    }
    step("close", MF_ExitComm());
}

/// ser2net goes away under an open port and comes back.
void restart(Ser2net& server) {
    server.start();
    step("open", MF_InitComm(kPort, 9600));
    readVersion("version");
    server.stop();
    readVersion("version after stop");
    readVersion("version again");
    step("open while stopped", MF_InitComm(kPort, 9600));
    server.start();
    step("open after restart", MF_InitComm(kPort, 9600));
    readVersion("version after restart");
    step("close", MF_ExitComm());
}

/// What ser2net sends a connection it does not take, and whether it hangs up.
void peekRefusal() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(4001);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        fail("raw connect");
    }
    const timeval limit{3, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    std::string text;
    std::array<char, 256> chunk{};
    ssize_t got = 0;
    while ((got = ::recv(fd, chunk.data(), chunk.size(), 0)) > 0) {
        text.append(chunk.data(), static_cast<std::size_t>(got));
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    say("refusal text=" + text);
    say(std::string("refusal hang-up=") + (got == 0 ? "yes" : "no"));
    ::close(fd);
}

/// A second program opens the reader while this one holds it.
void secondClient(Ser2net& server) {
    server.start();
    step("open", MF_InitComm(kPort, 9600));
    readVersion("version");
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl("/proc/self/exe", "ser2net_probe", "client", kPort, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    peekRefusal();
    readVersion("version after the second client");
    step("close", MF_ExitComm());
}

/// The second client: its own process, as the library holds one port per process.
void client(const char* port) {
    step("second open", MF_InitComm(port, 9600));
    readVersion("second version");
    readVersion("second version again");
    step("second close", MF_ExitComm());
}

double medianMicros(const char* port, int rounds) {
    if (step("bench open", MF_InitComm(port, 9600)) != MF_OK) {
        return -1;
    }
    Card card;
    std::vector<double> micros;
    std::array<std::uint8_t, 16> block{};
    if (openSector(card)) {
        for (int round = -5; round < rounds; ++round) { // the first five warm up
            const auto start = Clock::now();
            if (MF_Read(0, 4, 1, block.data()) != MF_OK) {
                step("bench read", MF_Read(0, 4, 1, block.data()));
                break;
            }
            const std::chrono::duration<double, std::micro> took = Clock::now() - start;
            if (round >= 0) {
                micros.push_back(took.count());
            }
        }
    }
    MF_ExitComm();
    if (micros.size() != static_cast<std::size_t>(rounds)) {
        return -1;
    }
    std::sort(micros.begin(), micros.end());
    return micros[micros.size() / 2];
}

/// The median one-block read on the pty directly, then through ser2net.
void bench(Ser2net& server, const std::string& pty, int rounds) {
    const double direct = medianMicros(pty.c_str(), rounds);
    server.start();
    const double served = medianMicros(kPort, rounds);
    say("median-us pty=" + std::to_string(direct) + " ser2net=" + std::to_string(served));
}

} // namespace

int main(int argc, char** argv) {
    ::alarm(60);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "client" && argc == 3) {
        client(argv[2]);
        std::_Exit(0);
    }
    if (argc < 4 || (mode == "bench") != (argc == 5)) {
        std::fprintf(stderr, "usage: %s purchase|restart|second-client|bench CONFIG PTY [ROUNDS]\n",
                     argv[0]);
        return 2;
    }
    bringUpLoopback();
    {
        Ser2net server(configFor(argv[2], argv[3]));
        if (mode == "purchase") {
            purchase(server);
        } else if (mode == "restart") {
            restart(server);
        } else if (mode == "second-client") {
            secondClient(server);
        } else if (mode == "bench") {
            bench(server, argv[3], std::atoi(argv[4]));
        } else {
            return 2;
        }
    }
    say("probe done");
    // The library's threads are not joined at exit; nothing is left to flush.
    std::_Exit(0);
}
