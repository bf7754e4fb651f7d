#include "emulator/model/AccessConditions.h"

namespace kov450 {

namespace {

// Who may do something: a bit per key type.
enum Who : std::uint8_t { Never = 0, KeyA = 1, KeyB = 2, Both = 3 };

bool permits(Who who, KeyType key) {
    return (who & (key == KeyType::A ? KeyA : KeyB)) != 0;
}

// Data block table, indexed by C1C2C3: read, write, increment, decrement/transfer/restore.
constexpr std::array<std::array<Who, 4>, 8> kDataTable{{
    {Both, Both, Both, Both},    // 000 transport configuration
    {Both, Never, Never, Both},  // 001 value block
    {Both, Never, Never, Never}, // 010 read/write block read-only
    {KeyB, KeyB, Never, Never},  // 011
    {Both, KeyB, Never, Never},  // 100
    {KeyB, Never, Never, Never}, // 101
    {Both, KeyB, KeyB, Both},    // 110 value block
    {Never, Never, Never, Never} // 111
}};

// Trailer table, indexed by C1C2C3: key A read/write, access bits read/write, key B read/write.
constexpr std::array<std::array<Who, 6>, 8> kTrailerTable{{
    {Never, KeyA, KeyA, Never, KeyA, KeyA},    // 000
    {Never, KeyA, KeyA, KeyA, KeyA, KeyA},     // 001 transport configuration
    {Never, Never, KeyA, Never, KeyA, Never},  // 010
    {Never, KeyB, Both, KeyB, Never, KeyB},    // 011
    {Never, KeyB, Both, Never, Never, KeyB},   // 100
    {Never, Never, Both, KeyB, Never, Never},  // 101
    {Never, Never, Both, Never, Never, Never}, // 110
    {Never, Never, Both, Never, Never, Never}  // 111
}};

unsigned bit(unsigned value, unsigned index) {
    return (value >> index) & 1U;
}

} // namespace

std::optional<SectorConditions> decodeAccessBits(std::span<const std::uint8_t, 3> bytes) {
    // Byte 6: ~C2 (high nibble) ~C1 (low); byte 7: C1 (high) ~C3 (low); byte 8: C3 (high) C2.
    const std::uint8_t c1 = static_cast<std::uint8_t>(bytes[1] >> 4);
    const std::uint8_t c2 = static_cast<std::uint8_t>(bytes[2] & 0x0F);
    const std::uint8_t c3 = static_cast<std::uint8_t>(bytes[2] >> 4);
    const std::uint8_t notC1 = static_cast<std::uint8_t>(bytes[0] & 0x0F);
    const std::uint8_t notC2 = static_cast<std::uint8_t>(bytes[0] >> 4);
    const std::uint8_t notC3 = static_cast<std::uint8_t>(bytes[1] & 0x0F);
    if ((c1 ^ notC1) != 0x0F || (c2 ^ notC2) != 0x0F || (c3 ^ notC3) != 0x0F) {
        return std::nullopt;
    }
    SectorConditions conditions{};
    for (unsigned group = 0; group < 4; ++group) {
        conditions[group] = static_cast<Condition>((bit(c1, group) << 2U) | (bit(c2, group) << 1U) |
                                                   bit(c3, group));
    }
    return conditions;
}

std::array<std::uint8_t, 3> encodeAccessBits(const SectorConditions& conditions) {
    unsigned c1 = 0;
    unsigned c2 = 0;
    unsigned c3 = 0;
    for (unsigned group = 0; group < 4; ++group) {
        const unsigned condition = conditions[group];
        c1 |= bit(condition, 2) << group;
        c2 |= bit(condition, 1) << group;
        c3 |= bit(condition, 0) << group;
    }
    const auto inverted = [](unsigned nibble) {
        return ~nibble & 0x0FU;
    };
    return {static_cast<std::uint8_t>((inverted(c2) << 4) | inverted(c1)),
            static_cast<std::uint8_t>((c1 << 4) | inverted(c3)),
            static_cast<std::uint8_t>((c3 << 4) | c2)};
}

bool dataAllowed(Condition condition, DataOperation operation, KeyType key) {
    return permits(kDataTable.at(condition).at(static_cast<std::size_t>(operation)), key);
}

bool trailerAllowed(Condition trailer, TrailerPart part, KeyType key) {
    return permits(kTrailerTable.at(trailer).at(static_cast<std::size_t>(part)), key);
}

bool keyBReadable(Condition trailer) {
    return trailer == 0 || trailer == 1 || trailer == 2;
}

} // namespace kov450
