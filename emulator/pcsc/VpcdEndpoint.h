#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kov450::pcsc {

/// Where vsmartcard's vpcd driver listens for a card.
struct VpcdEndpoint {
    std::string host = "127.0.0.1";
    std::uint16_t port = 35963;
    friend bool operator==(const VpcdEndpoint&, const VpcdEndpoint&) = default;
};

/// HOST:PORT ([::1]:PORT for IPv6), or nothing when the text is not one.
[[nodiscard]] std::optional<VpcdEndpoint> parseVpcdEndpoint(std::string_view text);

std::string describe(const VpcdEndpoint& endpoint);

} // namespace kov450::pcsc
