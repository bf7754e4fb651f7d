#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kov450::pcsc {

/// The messages between vsmartcard's vpcd driver and a card: each a 2-byte big-endian length
/// and that many bytes. A 1-byte message from vpcd is a control code; any other is an APDU,
/// answered by a response APDU.
enum class VpcdControl : std::uint8_t { PowerOff = 0x00, PowerOn = 0x01, Reset = 0x02, Atr = 0x04 };

/// No command APDU of ours is longer; a longer message means the peer is no vpcd.
inline constexpr std::size_t kLongestVpcdMessage = 1024;

/// Splits the byte stream from vpcd into messages, holding at most one message's bytes.
class VpcdDecoder {
public:
    struct Decoded {
        std::vector<std::vector<std::uint8_t>> messages;
        bool overlong = false; ///< A length above kLongestVpcdMessage: drop the connection.
    };

    [[nodiscard]] Decoded feed(std::span<const std::uint8_t> bytes);

private:
    std::vector<std::uint8_t> pending_;
};

/// The bytes of one message to vpcd; nothing is longer than 65535 bytes.
std::vector<std::uint8_t> vpcdMessage(std::span<const std::uint8_t> payload);

} // namespace kov450::pcsc
