#pragma once

// A client of kov450-emu's line in the raw: its pty opened as our library opens it, requests
// written and answers read back byte by byte.
#include "emulator/state/FileDescriptor.h"
#include "protocol/Command.h"
#include "protocol/FrameDecoder.h"
#include "protocol/FrameEncoder.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <optional>
#include <vector>

namespace line_client {

/// The emulator's port opened raw at 9600 bit/s, the reader's speed, as our library opens it.
inline kov450::FileDescriptor openLine(const std::filesystem::path& link) {
    kov450::FileDescriptor line(::open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    termios settings{};
    if (line.valid() && ::tcgetattr(line.get(), &settings) == 0) {
        ::cfmakeraw(&settings);
        ::cfsetspeed(&settings, B9600);
        ::tcsetattr(line.get(), TCSANOW, &settings);
    }
    return line;
}

inline bool writeAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

/// Reads until the line stays quiet for `quiet`; the bytes read.
inline std::vector<std::uint8_t> drain(int fd, std::chrono::milliseconds quiet) {
    std::vector<std::uint8_t> bytes;
    std::array<std::uint8_t, 4096> chunk{};
    pollfd ready{fd, POLLIN, 0};
    while (::poll(&ready, 1, static_cast<int>(quiet.count())) > 0) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got <= 0) {
            break;
        }
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
    }
    return bytes;
}

inline std::vector<std::uint8_t> addressRequest() {
    return *protocol::encodeFrame(
        {protocol::FrameKind::Request, 0, protocol::toByte(protocol::Command::GetAddress), 0, {}});
}

/// Sends `request` on an open line and reads its answer; nothing when none came within
/// `timeout`.
inline std::optional<protocol::Frame> ask(int line, const protocol::Frame& request,
                                          std::chrono::milliseconds timeout) {
    const auto bytes = protocol::encodeFrame(request);
    if (!bytes || !writeAll(line, *bytes)) {
        return std::nullopt;
    }
    protocol::FrameDecoder decoder(protocol::FrameKind::Answer);
    std::array<std::uint8_t, 256> chunk{};
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    pollfd ready{line, POLLIN, 0};
    for (auto left = timeout; left.count() > 0;
         left = std::chrono::duration_cast<std::chrono::milliseconds>(
             deadline - std::chrono::steady_clock::now())) {
        if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        const ssize_t got = ::read(line, chunk.data(), chunk.size());
        if (got <= 0) {
            return std::nullopt;
        }
        auto decoded = decoder.feed(std::span(chunk).first(static_cast<std::size_t>(got)));
        if (!decoded.frames.empty()) {
            return decoded.frames.front();
        }
    }
    return std::nullopt;
}

/// Asks the reader behind `link` for its bus address; the answer, or nothing when none came
/// within `timeout`.
inline std::optional<protocol::Frame> askAddress(const std::filesystem::path& link,
                                                 std::chrono::milliseconds timeout) {
    const kov450::FileDescriptor line = openLine(link);
    if (!line.valid()) {
        return std::nullopt;
    }
    return ask(
        line.get(),
        {protocol::FrameKind::Request, 0, protocol::toByte(protocol::Command::GetAddress), 0, {}},
        timeout);
}

} // namespace line_client
