#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace mfapi {

/// A serial device to open: a path such as /dev/ttyUSB0 or a link in the port folder.
struct DevicePort {
    std::filesystem::path path;
};

/// A reader served raw over TCP (ser2net and the like): socket://HOST:PORT.
struct TcpPort {
    std::string host;
    std::uint16_t port = 0;
};

using PortTarget = std::variant<DevicePort, TcpPort>;

/// The folder of named ports: $MF_API_PORTS, else $XDG_RUNTIME_DIR/mf_api/ports, else
/// /tmp/mf_api-UID/ports. Port names live there as symbolic links to devices, the way Wine
/// keeps DOS device names.
std::filesystem::path portFolder();

/// Where the port name leads, or nothing when it names no port. In order: a name with '/' is a
/// device path; socket://HOST:PORT is TCP; a link in `folder` whose name matches ignoring case;
/// COMn (or \\.\COMn) is /dev/ttyS(n-1); USB is the single entry of `byIdFolder`, else
/// /dev/ttyUSB0 if present, else /dev/ttyACM0.
std::optional<PortTarget>
resolvePortName(std::string_view name, const std::filesystem::path& folder,
                const std::filesystem::path& byIdFolder = "/dev/serial/by-id");

} // namespace mfapi
