// libFuzzer target: card dump import. The input is a dump file's contents, read as raw (.mfd,
// .bin, .dump), as .eml text and as a file whose name says nothing. A raw dump exports to the
// very bytes it came from; any card, exported as .eml, imports back to the same memory; and the
// card a dump gives answers the reader's steps on every sector, whatever its trailers hold.
#include "emulator/dumps/CardDump.h"
#include "fuzz/Require.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace {

using kov450::DumpFormat;
using kov450::MifareClassic;

using fuzzing::require;

const MifareClassic* cardOf(const std::variant<MifareClassic, std::string>& imported) {
    if (const auto* problem = std::get_if<std::string>(&imported)) {
        require(!problem->empty());
        return nullptr;
    }
    return &std::get<MifareClassic>(imported);
}

/// The .eml text of the card reads back as the same memory, and is written again the same.
void mustRoundTripAsEml(const MifareClassic& card) {
    const std::string text = kov450::emlText(card);
    const auto again = kov450::cardFromDump(text, DumpFormat::Eml);
    const MifareClassic* back = cardOf(again);
    require(back != nullptr && back->kind() == card.kind() && back->dump() == card.dump() &&
            kov450::emlText(*back) == text);
}

/// Authenticates each sector with the keys its trailer holds and reads it: a dump brings any
/// trailer, malformed access bits included.
void mustAnswerOnEverySector(MifareClassic card) {
    card.wake(true);
    card.select();
    for (std::size_t sector = 0; sector < kov450::sectorCountOf(card.kind()); ++sector) {
        const kov450::Block trailer = card.block(kov450::trailerOf(sector));
        for (const auto type : {kov450::KeyType::A, kov450::KeyType::B}) {
            kov450::Key key{};
            std::copy_n(trailer.begin() + (type == kov450::KeyType::A ? 0 : 10), key.size(),
                        key.begin());
            const std::size_t first = kov450::firstBlockOf(sector);
            if (card.state() != kov450::CardState::Active) {
                card.wake(true);
                card.select();
            }
            static_cast<void>(card.authenticate(type, first, key));
            std::vector<std::uint8_t> read;
            static_cast<void>(card.read(first, kov450::blocksInSector(sector), read));
        }
        static_cast<void>(card.sectorBlocked(sector));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view contents(reinterpret_cast<const char*>(data), size);

    const auto raw = kov450::cardFromDump(contents, DumpFormat::Raw);
    const MifareClassic* rawCard = cardOf(raw);
    require((rawCard != nullptr) == (size == 1024 || size == 4096));
    if (rawCard != nullptr) {
        require(rawCard->dump() == std::vector<std::uint8_t>(data, data + size));
        mustRoundTripAsEml(*rawCard);
        mustAnswerOnEverySector(*rawCard);
    }

    const auto eml = kov450::cardFromDump(contents, DumpFormat::Eml);
    if (const MifareClassic* emlCard = cardOf(eml)) {
        mustRoundTripAsEml(*emlCard);
        mustAnswerOnEverySector(*emlCard);
    }

    // Without a name that says the format, the size decides.
    const auto unnamed = kov450::cardFromDump(contents, std::nullopt);
    const MifareClassic* unnamedCard = cardOf(unnamed);
    const MifareClassic* expected = rawCard != nullptr ? rawCard : cardOf(eml);
    require((unnamedCard != nullptr) == (expected != nullptr));
    require(unnamedCard == nullptr || unnamedCard->dump() == expected->dump());

    // The input as a file name, whose extension names the format.
    static_cast<void>(kov450::dumpFormatOf(std::string(contents)));
    return 0;
}
