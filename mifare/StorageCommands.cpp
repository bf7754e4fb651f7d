#include "mifare/StorageCommands.h"

#include <algorithm>

namespace mifare {

std::optional<std::string_view> nameOf(std::uint8_t instruction) {
    switch (static_cast<Instruction>(instruction)) {
    case Instruction::GetData:
        return "Get data";
    case Instruction::LoadKeys:
        return "Load key";
    case Instruction::GeneralAuthenticate:
    case Instruction::Authenticate:
        return "Authenticate";
    case Instruction::ReadBinary:
        return "Read binary";
    case Instruction::UpdateBinary:
        return "Update binary";
    }
    return std::nullopt;
}

namespace {

constexpr auto kBlockLength = static_cast<std::uint8_t>(kBlockSize);

std::array<std::uint8_t, kHeaderSize> header(Instruction instruction, std::uint8_t p1,
                                             std::uint8_t p2, std::uint8_t length) {
    return {kStorageCardClass, toByte(instruction), p1, p2, length};
}

// Header and data are copied into a vector of the whole size: appending to a vector built from
// a list of bytes trips GCC 12's -Warray-bounds at -O2.
template <std::size_t N>
Apdu withData(std::array<std::uint8_t, kHeaderSize> head, std::span<const std::uint8_t, N> data) {
    Apdu apdu(head.size() + N);
    std::copy(head.begin(), head.end(), apdu.begin());
    std::copy(data.begin(), data.end(), apdu.begin() + static_cast<std::ptrdiff_t>(head.size()));
    return apdu;
}

} // namespace

Apdu getUid() {
    const auto head = header(Instruction::GetData, kGetDataUid, 0x00, 0x00);
    return {head.begin(), head.end()};
}

Apdu loadKey(std::uint8_t structure, std::uint8_t keyNumber, const Key& key) {
    return withData<kKeySize>(
        header(Instruction::LoadKeys, structure, keyNumber, static_cast<std::uint8_t>(key.size())),
        key);
}

Apdu authenticate(std::uint8_t block, std::uint8_t keyType, std::uint8_t keyNumber) {
    const std::array<std::uint8_t, kAuthenticateDataSize> data{kAuthenticateVersion, 0x00, block,
                                                               keyType, keyNumber};
    return withData<kAuthenticateDataSize>(
        header(Instruction::GeneralAuthenticate, 0x00, 0x00, kAuthenticateDataSize), data);
}

Apdu readBlock(std::uint8_t block) {
    const auto head = header(Instruction::ReadBinary, 0x00, block, kBlockLength);
    return {head.begin(), head.end()};
}

Apdu writeBlock(std::uint8_t block, std::span<const std::uint8_t, kBlockSize> data) {
    return withData<kBlockSize>(header(Instruction::UpdateBinary, 0x00, block, kBlockLength), data);
}

} // namespace mifare
