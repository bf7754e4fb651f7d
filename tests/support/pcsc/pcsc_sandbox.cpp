// pcsc_sandbox [--timeout SECONDS] PROGRAM [ARGUMENT]...
//
// Runs PROGRAM where a pcscd of its own can run without touching the machine's: in a private
// network namespace (loopback up, so vpcd's port 35963 is its own), a private mount namespace
// with an empty /run/pcscd (pcscd's socket and pid file) and a private PID namespace with its
// own /proc, so that whatever PROGRAM started (pcscd, kov450-emu) ends with it. PROGRAM sees
// KOV_PCSC_SANDBOX=1. Tests that listen on a port of their own run in it too, so that they never
// open one on the machine's network. Where the namespaces cannot be made, it says why and exits 77
// (ctest's skip code).
#include "e2e/NetworkInterface.h"

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kSkip = 77;
constexpr const char* kRunFolder = "/run/pcscd";

[[noreturn]] void skip(const std::string& why) {
    std::printf("skipped: no private namespaces here: %s: %s\n", why.c_str(), std::strerror(errno));
    std::fflush(stdout);
    std::_Exit(kSkip);
}

[[noreturn]] void failed(const std::string& why) {
    std::printf("pcsc_sandbox: %s: %s\n", why.c_str(), std::strerror(errno));
    std::fflush(stdout);
    std::_Exit(2);
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream file(path);
    file << text;
    if (!file.flush()) {
        failed("cannot write " + path);
    }
}

/// Root may make namespaces outright; anyone else through a user namespace of their own.
void enterNamespaces() {
    constexpr int kFlags = CLONE_NEWNET | CLONE_NEWNS | CLONE_NEWPID;
    if (::unshare(kFlags) == 0) {
        return;
    }
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(kFlags | CLONE_NEWUSER) != 0) {
        skip("unshare");
    }
    writeFile("/proc/self/setgroups", "deny");
    writeFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
    writeFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
}

void privateRunFolder() {
    // A mount namespace of the child's own, so that its /proc below is not the parent's, which
    // stays outside the PID namespace.
    if (::unshare(CLONE_NEWNS) != 0) {
        skip("a mount namespace for the child");
    }
    // Nothing mounted here may leak out to the machine's namespace.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        skip("private mounts");
    }
    if (::mkdir(kRunFolder, 0755) != 0 && errno != EEXIST) {
        skip(std::string("mkdir ") + kRunFolder);
    }
    if (::mount("tmpfs", kRunFolder, "tmpfs", MS_NOSUID | MS_NODEV, "mode=0755") != 0) {
        skip(std::string("tmpfs on ") + kRunFolder);
    }
    // The PID namespace's own /proc, so that /proc/PID names a process in here: a sanitizer
    // ending a program started in here reads its threads there.
    if (::mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0) {
        skip("/proc of the PID namespace");
    }
}

/// This process's new tasks belong to the PID namespace, which ended with its first child:
/// nothing can be started from here any more, not even a sanitizer's leak checker at exit.
[[noreturn]] void endWithoutExitHandlers(int status) {
    std::fflush(stdout);
    ::_exit(status);
}

} // namespace

int main(int argc, char** argv) {
    int first = 1;
    long timeout = 600;
    if (argc > 2 && std::strcmp(argv[1], "--timeout") == 0) {
        timeout = std::strtol(argv[2], nullptr, 10);
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: pcsc_sandbox [--timeout SECONDS] PROGRAM [ARGUMENT]...\n");
        return 2;
    }
    // Whoever started us going (ctest's timeout, a closed terminal) takes everything with it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    enterNamespaces();
    // The first child is the PID namespace's init: when it ends, everything in it ends.
    const pid_t child = ::fork();
    if (child < 0) {
        failed("fork");
    }
    if (child == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        privateRunFolder();
        if (!testing_support::interfaceUp("lo")) {
            skip("loopback up");
        }
        ::setenv("KOV_PCSC_SANDBOX", "1", 1);
        ::execv(argv[first], argv + first);
        failed(std::string("cannot run ") + argv[first]);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout);
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) {
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            std::printf("pcsc_sandbox: %s ran past %ld s and was stopped\n", argv[first], timeout);
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            endWithoutExitHandlers(124);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    endWithoutExitHandlers(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
}
