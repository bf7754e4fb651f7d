#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kov450 {

/// A pseudo-terminal that stands for the reader's serial line. It keeps its own descriptor of
/// the slave side open, so that the master never sees EIO when a client closes the port and
/// the next client finds the line as the last one left it.
class PtyHost {
public:
    /// Opens a new pty; throws std::system_error when the system has none to give.
    PtyHost();
    ~PtyHost();
    PtyHost(const PtyHost&) = delete;
    PtyHost& operator=(const PtyHost&) = delete;

    int masterFd() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

    /// The line speed the client last set on its side (the master sees the slave's settings).
    std::optional<std::uint32_t> clientLineSpeed() const;

    /// A client that died holding the port leaves the tty's exclusive flag set, which would
    /// refuse every later client. When no client holds the port's lock, clear the flag.
    void clearStaleExclusiveFlag();

    /// Closes both sides at once, as when a USB reader is pulled: the client's next read or
    /// write fails. The caller must have let go of the master descriptor first.
    void close();
    bool closed() const { return master_ < 0; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

} // namespace kov450
