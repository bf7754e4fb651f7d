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

/// A reader reached through the PC/SC service (pcscd): `pcsc` is the first reader with a
/// contactless slot, `pcsc:TEXT` the first whose name holds TEXT, ignoring case.
struct PcscPort {
    std::string nameContains; ///< Empty for the first contactless reader.
};

using PortTarget = std::variant<DevicePort, TcpPort, PcscPort>;

/// Why a port name leads to no port.
enum class PortRefusal {
    NoSuchPort,
    UnsafeFolder ///< The port folder, or the entry of the name in it, cannot be trusted.
};

using PortLookup = std::variant<PortTarget, PortRefusal>;

/// Where the port name leads. In order: socket://HOST:PORT is TCP; pcsc or pcsc:TEXT a PC/SC
/// reader; a name with '/' is a device path; an entry in `folder` whose name matches ignoring
/// case, which must be a link to a character device or an alias file (ports::readAlias) whose
/// name is looked up in turn, but not as an alias again; COMn (or \\.\COMn) is /dev/ttyS(n-1);
/// USB is the single entry of `byIdFolder`, else /dev/ttyUSB0 if present, else /dev/ttyACM0. A
/// name that needs the folder is refused when the folder is not safe
/// (ports::unsafeFolderReason), whatever it holds.
PortLookup resolvePortName(std::string_view name, const std::filesystem::path& folder,
                           const std::filesystem::path& byIdFolder = "/dev/serial/by-id");

} // namespace mfapi
