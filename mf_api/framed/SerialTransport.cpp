#include "mf_api/framed/SerialTransport.h"

#include "mf_api/framed/AsioDeadline.h"
#include "mf_api/framed/TermiosSpeed.h"

#include <MF_API.h>

#include <asio.hpp>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace mfapi::framed {

namespace {

/// Owns a descriptor until it is handed on.
class UniqueFd {
public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

[[nodiscard]] std::int32_t statusOfOpenError(int error) {
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
    case ELOOP:
    case EISDIR:
    case ENAMETOOLONG:
        return MF_ERR_NO_SUCH_PORT;
    case EACCES:
    case EPERM:
    case EROFS:
        return MF_ERR_PERMISSION;
    case EBUSY:
        return MF_ERR_PORT_BUSY;
    default:
        return MF_ERR_IO;
    }
}

/// A character device of this user or root: the reader's own, not a stranger's terminal.
bool ownDevice(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISCHR(info.st_mode) &&
           (info.st_uid == ::geteuid() || info.st_uid == 0);
}

[[nodiscard]] std::int32_t configureLine(int fd, speed_t speed) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {
        return MF_ERR_IO;
    }
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD | CS8;
    settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // VMIN 0 would make every idle read look like end of file.
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    if (::cfsetispeed(&settings, speed) != 0 || ::cfsetospeed(&settings, speed) != 0 ||
        ::tcsetattr(fd, TCSANOW, &settings) != 0) {
        return MF_ERR_IO;
    }
    return MF_OK;
}

} // namespace

class SerialTransport final : public Transport {
public:
    SerialTransport(int fd, const termios& settingsBefore) : settingsBefore_(settingsBefore) {
        port_.assign(fd);
    }

    ~SerialTransport() override {
        // A port name can lead to someone else's line (a stale link to a reused pty): leave it
        // as we found it.
        ::tcsetattr(port_.native_handle(), TCSANOW, &settingsBefore_);
        // The exclusive flag outlives our descriptor when someone else keeps the tty open
        // (the emulator does), so clear it; the flock goes with the descriptor.
        ::ioctl(port_.native_handle(), TIOCNXCL);
        asio::error_code ignored;
        port_.close(ignored);
    }

    IoResult writeAll(std::span<const std::uint8_t> bytes, Clock::time_point deadline) override {
        return writeAllBefore(io_, port_, bytes, deadline);
    }

    IoResult readSome(std::span<std::uint8_t> buffer, std::size_t& received,
                      Clock::time_point deadline) override {
        const IoResult result = readSomeBefore(io_, port_, buffer, received, deadline);
        if (result == IoResult::Done && received == 0) {
            return IoResult::Gone;
        }
        return result;
    }

    void discardInput() override { ::tcflush(port_.native_handle(), TCIFLUSH); }

    std::int32_t setLineSpeed(std::uint32_t bitsPerSecond) override {
        const auto speed = termiosSpeed(bitsPerSecond);
        if (!speed) {
            return MF_ERR_BAD_SPEED;
        }
        const int fd = port_.native_handle();
        termios settings{};
        if (::tcgetattr(fd, &settings) != 0 || ::cfsetispeed(&settings, *speed) != 0 ||
            ::cfsetospeed(&settings, *speed) != 0 || ::tcsetattr(fd, TCSADRAIN, &settings) != 0) {
            return MF_ERR_IO;
        }
        return MF_OK;
    }

private:
    termios settingsBefore_;
    asio::io_context io_{1};
    asio::serial_port port_{io_};
};

Result<std::unique_ptr<Transport>> openSerialTransport(const DevicePort& device,
                                                       std::uint32_t bitsPerSecond) {
    const auto speed = termiosSpeed(bitsPerSecond);
    if (!speed) {
        return {MF_ERR_BAD_SPEED, {}};
    }
    constexpr int kFlags = O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    UniqueFd fd(device.folder ? ::openat(device.folder->fd(), device.entry.c_str(), kFlags)
                              : ::open(device.path.c_str(), kFlags));
    if (fd.get() < 0) {
        return {statusOfOpenError(errno), {}};
    }
    if (device.folder && !ownDevice(fd.get())) {
        return {MF_ERR_NO_SUCH_PORT, {}};
    }
    // flock holds for root too, where TIOCEXCL alone would not stop a second opener.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        return {errno == EWOULDBLOCK ? MF_ERR_PORT_BUSY : MF_ERR_IO, {}};
    }
    if (::isatty(fd.get()) == 0) {
        return {MF_ERR_NO_SUCH_PORT, {}};
    }
    int exclusive = 0;
    if (::ioctl(fd.get(), TIOCGEXCL, &exclusive) == 0 && exclusive != 0) {
        return {MF_ERR_PORT_BUSY, {}};
    }
    if (::ioctl(fd.get(), TIOCEXCL) != 0) {
        return {MF_ERR_IO, {}};
    }
    termios settingsBefore{};
    if (::tcgetattr(fd.get(), &settingsBefore) != 0) {
        ::ioctl(fd.get(), TIOCNXCL);
        return {MF_ERR_IO, {}};
    }
    if (const std::int32_t status = configureLine(fd.get(), *speed); status != MF_OK) {
        ::tcsetattr(fd.get(), TCSANOW, &settingsBefore);
        ::ioctl(fd.get(), TIOCNXCL);
        return {status, {}};
    }
    ::tcflush(fd.get(), TCIOFLUSH);
    return {MF_OK, std::make_unique<SerialTransport>(fd.release(), settingsBefore)};
}

} // namespace mfapi::framed
