#include "mf_api/PortName.h"

#include "ports/PortAlias.h"
#include "ports/PortFolder.h"

#include <MF_API.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <system_error>
#include <vector>

namespace mfapi {

namespace fs = std::filesystem;

namespace {

bool equalIgnoringCase(std::string_view left, std::string_view right) {
    return left.size() == right.size() &&
           std::equal(left.begin(), left.end(), right.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalIgnoringCase(text.substr(0, prefix.size()), prefix);
}

template <typename Number> std::optional<Number> wholeNumber(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::optional<TcpPort> tcpTarget(std::string_view rest) {
    const auto colon = rest.rfind(':');
    if (colon == std::string_view::npos || colon == 0) {
        return std::nullopt;
    }
    const auto port = wholeNumber<std::uint16_t>(rest.substr(colon + 1));
    if (!port || *port == 0) {
        return std::nullopt;
    }
    std::string host(rest.substr(0, colon));
    // [::1]:5000 names an IPv6 host.
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    return TcpPort{std::move(host), *port};
}

fs::path usbDevice(const fs::path& byIdFolder) {
    std::error_code error;
    std::vector<fs::path> entries;
    for (const auto& entry : fs::directory_iterator(byIdFolder, error)) {
        entries.push_back(entry.path());
    }
    if (entries.size() == 1) {
        return entries.front();
    }
    if (fs::exists("/dev/ttyUSB0", error)) {
        return "/dev/ttyUSB0";
    }
    return "/dev/ttyACM0";
}

PortLookup found(PortTarget target) {
    return {MF_OK, std::move(target)};
}

PortLookup refused(std::int32_t status) {
    return {status, {}};
}

/// Whether a port folder entry may be an alias file: only the name a program asked for.
enum class Aliases { Followed, Refused };

/// A port folder, opened at most once, when a name first needs it; everything found in it is
/// then reached through that one descriptor.
class FolderOnce {
public:
    using Handle = std::shared_ptr<const ports::SafeFolder>;

    explicit FolderOnce(fs::path path) : path_(std::move(path)) {}

    /// The folder when it is safe; nothing when it is missing or unsafe.
    const Handle* safe() { return std::get_if<Handle>(&seen()); }
    /// Whether it exists and fails the rule (or could not be examined).
    bool unsafe() {
        const auto* problem = std::get_if<ports::FolderProblem>(&seen());
        return problem != nullptr && problem->kind != ports::FolderProblem::Kind::Missing;
    }

private:
    using Seen = std::variant<Handle, ports::FolderProblem>;

    const Seen& seen() {
        if (!seen_) {
            auto opened = ports::SafeFolder::open(path_);
            if (auto* safe = std::get_if<ports::SafeFolder>(&opened)) {
                seen_ = std::make_shared<const ports::SafeFolder>(std::move(*safe));
            } else {
                seen_ = std::get<ports::FolderProblem>(std::move(opened));
            }
        }
        return *seen_;
    }

    fs::path path_;
    std::optional<Seen> seen_;
};

/// One lookup of a port name: the user's port folder first, then the machine's.
class Lookup {
public:
    Lookup(fs::path folder, fs::path systemFolder, fs::path byIdFolder)
        : folders_{FolderOnce(std::move(folder)), FolderOnce(std::move(systemFolder))},
          byIdFolder_(std::move(byIdFolder)) {}

    PortLookup resolve(std::string_view name, Aliases aliases) {
        if (name.empty()) {
            return refused(MF_ERR_NO_SUCH_PORT);
        }
        constexpr std::string_view kSocket = "socket://";
        if (startsWithIgnoringCase(name, kSocket)) {
            const auto tcp = tcpTarget(name.substr(kSocket.size()));
            return tcp ? found(*tcp) : refused(MF_ERR_NO_SUCH_PORT);
        }
        constexpr std::string_view kPcsc = "pcsc";
        if (equalIgnoringCase(name, kPcsc)) {
            return found(PcscPort{});
        }
        if (startsWithIgnoringCase(name, "pcsc:")) {
            return found(PcscPort{std::string(name.substr(kPcsc.size() + 1))});
        }
        if (name.find('/') != std::string_view::npos) {
            // A relative path would lead wherever the program happens to be started.
            return name.front() == '/' ? found(DevicePort{fs::path(name), {}, {}})
                                       : refused(MF_ERR_NO_SUCH_PORT);
        }
        for (FolderOnce& folder : folders_) {
            if (const auto* safe = folder.safe()) {
                if (const auto entry = ports::findEntry(**safe, name)) {
                    return fromEntry(*safe, *entry, aliases);
                }
            }
        }
        if (auto device = defaultDevice(name)) {
            return found(*device);
        }
        // Only a folder could have named it; an unsafe one is not looked at.
        const bool anyUnsafe = std::any_of(folders_.begin(), folders_.end(),
                                           [](FolderOnce& folder) { return folder.unsafe(); });
        return anyUnsafe ? refused(MF_ERR_UNSAFE_PORT_FOLDER) : refused(MF_ERR_NO_SUCH_PORT);
    }

private:
    PortLookup fromEntry(const FolderOnce::Handle& folder, const std::string& entry,
                         Aliases aliases) {
        switch (ports::entryKind(*folder, entry)) {
        case ports::EntryKind::Device:
            return found(DevicePort{folder->path() / entry, folder, entry});
        case ports::EntryKind::Alias:
            return followAlias(*folder, entry, aliases);
        case ports::EntryKind::Dangling:
            return refused(MF_ERR_NO_SUCH_PORT);
        case ports::EntryKind::Other:
            break;
        }
        return refused(MF_ERR_UNSAFE_PORT_FOLDER);
    }

    PortLookup followAlias(const ports::SafeFolder& folder, const std::string& entry,
                           Aliases aliases) {
        // One level: a chain of aliases could loop, and one level is all COM1 and USB need.
        if (aliases == Aliases::Refused) {
            return refused(MF_ERR_NO_SUCH_PORT);
        }
        auto alias = ports::readAlias(folder, entry);
        if (const auto* refusal = std::get_if<ports::AliasRefusal>(&alias)) {
            return refused(*refusal == ports::AliasRefusal::Unsafe ? MF_ERR_UNSAFE_PORT_FOLDER
                                                                   : MF_ERR_NO_SUCH_PORT);
        }
        return resolve(std::get<std::string>(alias), Aliases::Refused);
    }

    std::optional<DevicePort> defaultDevice(std::string_view name) const {
        std::string_view bare = name;
        if (startsWithIgnoringCase(bare, "\\\\.\\")) {
            bare.remove_prefix(4);
        }
        if (startsWithIgnoringCase(bare, "COM")) {
            const auto number = wholeNumber<unsigned>(bare.substr(3));
            if (number && *number >= 1) {
                return DevicePort{fs::path("/dev/ttyS" + std::to_string(*number - 1)), {}, {}};
            }
            return std::nullopt;
        }
        if (equalIgnoringCase(bare, "USB")) {
            return DevicePort{usbDevice(byIdFolder_), {}, {}};
        }
        return std::nullopt;
    }

    std::array<FolderOnce, 2> folders_;
    fs::path byIdFolder_;
};

} // namespace

PortLookup resolvePortName(std::string_view name, const fs::path& folder,
                           const fs::path& byIdFolder, const fs::path& systemFolder) {
    return Lookup(folder, systemFolder, byIdFolder).resolve(name, Aliases::Followed);
}

} // namespace mfapi
