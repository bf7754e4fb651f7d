#pragma once

#include "mf_api/Result.h"
#include "ports/PortFolder.h"
#include "ports/SafeFolder.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace mfapi {

/// A serial device to open: an absolute path such as /dev/ttyUSB0, or an entry of the port
/// folder (a link to the device), which is opened relative to the folder that was judged, by
/// the entry's name: never by its path again, which could lead elsewhere by then.
struct DevicePort {
    std::filesystem::path path;                      ///< As a person would name it.
    std::shared_ptr<const ports::SafeFolder> folder; ///< The port folder, for an entry of it.
    std::string entry;                               ///< The entry's name in `folder`.
};

/// A reader served raw over TCP (ser2net and the like): socket://HOST:PORT.
struct TcpPort {
    std::string host;
    std::uint16_t port = 0;
};

/// A reader reached through the PC/SC service (pcscd): `pcsc` is the contactless reader that
/// holds a card, `pcsc:TEXT` the first whose name holds TEXT, ignoring case.
struct PcscPort {
    std::string nameContains; ///< Empty for whichever contactless reader holds a card.
};

using PortTarget = std::variant<DevicePort, TcpPort, PcscPort>;

/// Where a port name leads, or why nowhere: MF_ERR_NO_SUCH_PORT, or MF_ERR_UNSAFE_PORT_FOLDER
/// when the port folder, or the entry of the name in it, cannot be trusted.
using PortLookup = Result<PortTarget>;

/// Where the port name leads. In order: socket://HOST:PORT is TCP; pcsc or pcsc:TEXT a PC/SC
/// reader; a name with '/' is a device path, which must be absolute; an entry in the user's
/// `folder` whose name matches ignoring case, else one in the machine's `systemFolder`, which
/// must be a link to a character device or an alias file (ports::readAlias) whose name is
/// looked up in turn, but not as an alias again; COMn (or \\.\COMn) is /dev/ttyS(n-1); USB is
/// the single entry of `byIdFolder`, else /dev/ttyUSB0 if present, else /dev/ttyACM0. Each
/// folder is opened at most once (ports::SafeFolder) and used only when it is safe: an unsafe
/// one is not looked in, so it neither redirects nor blocks COMn and USB, and a name that only
/// a folder could give is then refused as unsafe.
PortLookup resolvePortName(std::string_view name, const std::filesystem::path& folder,
                           const std::filesystem::path& byIdFolder = "/dev/serial/by-id",
                           const std::filesystem::path& systemFolder = ports::kSystemPortFolder);

} // namespace mfapi
