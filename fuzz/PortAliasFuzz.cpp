// libFuzzer target: an alias file of the port folder, and the port name it gives. The input is
// the file's text: the name is its first line, trimmed, never empty or longer than a path; that
// name, looked up with no port folder (not even the system's), is a PC/SC reader, a TCP endpoint
// with a port, an absolute device path or nothing, whatever its bytes.
#include "fuzz/Require.h"
#include "mf_api/PortName.h"
#include "ports/PortAlias.h"

#include <MF_API.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto alias = ports::aliasTarget(text);
    if (const auto* refusal = std::get_if<ports::AliasRefusal>(&alias)) {
        require(*refusal == ports::AliasRefusal::Empty);
        return 0;
    }
    const std::string& name = std::get<std::string>(alias);
    require(!name.empty() && name.size() < PATH_MAX);
    require(name.find('\n') == std::string::npos);
    require(text.substr(0, text.find('\n')).find(name) != std::string_view::npos);
    for (const char edge : {name.front(), name.back()}) {
        require(edge != ' ' && edge != '\t' && edge != '\r');
    }

    const auto lookup = mfapi::resolvePortName(name, "/nonexistent/ports", "/nonexistent/by-id",
                                               "/nonexistent/system-ports");
    if (lookup.status == MF_OK) {
        if (const auto* device = std::get_if<mfapi::DevicePort>(&lookup.value)) {
            // Never relative to wherever the program runs, and with no folder, never an entry.
            require(device->path.is_absolute() && !device->folder);
        } else if (const auto* tcp = std::get_if<mfapi::TcpPort>(&lookup.value)) {
            require(tcp->port != 0 && !tcp->host.empty());
        }
    }
    return 0;
}
