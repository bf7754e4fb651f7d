#include "emulator/host/PtyHost.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>

namespace kov450 {

namespace {

[[noreturn]] void fail(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

std::optional<std::uint32_t> bitsPerSecond(speed_t speed) {
    switch (speed) {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    case B230400:
        return 230400;
    default:
        return std::nullopt;
    }
}

} // namespace

PtyHost::PtyHost() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) {
        fail("posix_openpt");
    }
    std::array<char, 128> name{};
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name.data(), name.size()) != 0) {
        const int error = errno;
        ::close(master_);
        errno = error;
        fail("pty slave");
    }
    slavePath_ = name.data();
    slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) {
        const int error = errno;
        ::close(master_);
        errno = error;
        fail("open pty slave");
    }
    // Raw from the start: no echo or line editing before the first client sets its own mode.
    termios settings{};
    if (::tcgetattr(slave_, &settings) == 0) {
        ::cfmakeraw(&settings);
        ::cfsetispeed(&settings, B9600);
        ::cfsetospeed(&settings, B9600);
        ::tcsetattr(slave_, TCSANOW, &settings);
    }
    const int flags = ::fcntl(master_, F_GETFL);
    ::fcntl(master_, F_SETFL, flags | O_NONBLOCK);
}

PtyHost::~PtyHost() {
    close();
}

void PtyHost::close() {
    if (slave_ >= 0) {
        ::close(slave_);
    }
    if (master_ >= 0) {
        ::close(master_);
    }
    slave_ = -1;
    master_ = -1;
}

std::optional<std::uint32_t> PtyHost::clientLineSpeed() const {
    termios settings{};
    if (::tcgetattr(master_, &settings) != 0) {
        return std::nullopt;
    }
    return bitsPerSecond(::cfgetospeed(&settings));
}

void PtyHost::clearStaleExclusiveFlag() {
    int exclusive = 0;
    if (::ioctl(slave_, TIOCGEXCL, &exclusive) != 0 || exclusive == 0) {
        return;
    }
    if (::flock(slave_, LOCK_EX | LOCK_NB) == 0) {
        ::ioctl(slave_, TIOCNXCL);
        ::flock(slave_, LOCK_UN);
    }
}

} // namespace kov450
