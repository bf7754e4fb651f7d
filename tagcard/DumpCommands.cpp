// The whole card to a raw dump and back: dump and restore.
#include "tagcard/CommandSteps.h"
#include "tagcard/Commands.h"
#include "tagcard/DumpFile.h"

#include <MF_API.h>

#include <algorithm>

namespace tagcard {

namespace {

/// The keys that open a sector, as key A and as key B, from the candidates in order.
struct SectorKeys {
    std::optional<Key> a;
    std::optional<Key> b;
};

/// Tries each candidate as key A and as key B. A failed try leaves the card idle, and the next
/// one wakes it again; a card that stopped answering ends the search with its status.
std::variant<SectorKeys, std::int32_t> findKeys(CardAccess& card, int sector,
                                                const std::vector<Key>& candidates) {
    SectorKeys found;
    for (const std::int32_t type : {MF_KEY_A, MF_KEY_B}) {
        for (const Key& key : candidates) {
            const std::int32_t status = card.open(sector, {type, key});
            if (status == MF_OK) {
                (type == MF_KEY_A ? found.a : found.b) = key;
                break;
            }
            if (status != MF_ERR_AUTH_FAILED) {
                return status;
            }
        }
    }
    return found;
}

/// One sector's blocks, read with the key of the preferred type when it opens the sector and
/// with the other when it does not (or its access conditions refuse the read); its trailer
/// holds the keys found, where the card reads zeros.
std::int32_t readSector(CardAccess& card, int sector, const std::vector<Key>& candidates,
                        std::int32_t preferredType, std::span<std::uint8_t> out) {
    auto keys = findKeys(card, sector, candidates);
    if (const auto* failed = std::get_if<std::int32_t>(&keys)) {
        return *failed;
    }
    const SectorKeys& found = std::get<SectorKeys>(keys);
    std::vector<SectorKey> openers;
    for (const std::int32_t type :
         {preferredType, preferredType == MF_KEY_A ? MF_KEY_B : MF_KEY_A}) {
        if (const auto& key = type == MF_KEY_A ? found.a : found.b) {
            openers.push_back({type, *key});
        }
    }
    std::int32_t status = MF_ERR_AUTH_FAILED;
    for (const SectorKey& opener : openers) {
        status = card.read(firstBlockOf(sector), out, opener);
        if (status == MF_OK || status == MF_ERR_CARD_NO_ANSWER) {
            break;
        }
    }
    if (status == MF_OK) {
        Block trailer{};
        const auto trailerBytes = out.last(kBlockSize);
        std::copy(trailerBytes.begin(), trailerBytes.end(), trailer.begin());
        putKeys(trailer, found.a, found.b);
        std::copy(trailer.begin(), trailer.end(), trailerBytes.begin());
    }
    return status;
}

} // namespace

int runDump(Tool& tool, const std::filesystem::path& file,
            const std::optional<std::filesystem::path>& keyList) {
    std::vector<Key> candidates{tool.key.bytes};
    if (keyList) {
        auto keys = loadKeyList(*keyList);
        if (const auto* problem = std::get_if<std::string>(&keys)) {
            return tool.report.failure("dump", *problem, ExitCode::Usage);
        }
        for (const Key& key : std::get<std::vector<Key>>(keys)) {
            if (std::find(candidates.begin(), candidates.end(), key) == candidates.end()) {
                candidates.push_back(key);
            }
        }
    }
    auto target = DumpTarget::judge(file);
    if (const auto* problem = std::get_if<std::string>(&target)) {
        return tool.report.failure("dump", *problem, ExitCode::Usage);
    }
    const OpenPort port(tool.api, tool.port);
    if (auto failed = portFailure(tool, "dump", port)) {
        return *failed;
    }
    auto selected = selectedCard(tool, "dump", true);
    if (const int* failed = std::get_if<int>(&selected)) {
        return *failed;
    }
    CardAccess& card = std::get<CardAccess>(selected);
    const CardKind kind = *card.card().kind;
    // The whole card is read before the file is touched: a card taken away mid-dump leaves the
    // file as it was.
    std::vector<std::uint8_t> memory(static_cast<std::size_t>(blockCount(kind)) * kBlockSize);
    for (int sector = 0; sector < sectorCount(kind); ++sector) {
        const auto out =
            std::span(memory).subspan(static_cast<std::size_t>(firstBlockOf(sector)) * kBlockSize,
                                      static_cast<std::size_t>(blocksIn(sector)) * kBlockSize);
        if (const std::int32_t status = readSector(card, sector, candidates, tool.key.type, out);
            status != MF_OK) {
            return tool.report.failed(
                "dump",
                "cannot read sector " + std::to_string(sector) +
                    (status == MF_ERR_AUTH_FAILED ? ": no key given opens it" : "") + "; " +
                    file.string() + " was not touched",
                status);
        }
    }
    if (auto problem = std::get<DumpTarget>(target).write(memory)) {
        return tool.report.failure("dump", *problem, ExitCode::NotWritten);
    }
    const std::string uid = uidText(card.card().uid);
    tool.report.result("dump",
                       "dumped " + uid + " (" + std::string(kindName(kind)) + ", " +
                           std::to_string(memory.size()) + " bytes) to " + file.string(),
                       Json{{"uid", uid}, {"file", file.string()}, {"bytes", memory.size()}});
    return 0;
}

int runRestore(Tool& tool, const std::filesystem::path& file, bool trailers) {
    auto read = readRawDump(file);
    if (const auto* problem = std::get_if<std::string>(&read)) {
        return tool.report.failure("restore", *problem, ExitCode::Usage);
    }
    const std::vector<std::uint8_t>& dump = std::get<std::vector<std::uint8_t>>(read);
    const int dumpBlocks = static_cast<int>(dump.size() / kBlockSize);
    const auto blockOf = [&dump](int block) {
        return std::span(dump)
            .subspan(static_cast<std::size_t>(block) * kBlockSize, kBlockSize)
            .first<kBlockSize>();
    };
    if (trailers) {
        for (int block = 0; block < dumpBlocks; ++block) {
            if (isTrailer(block) && !accessBitsConsistent(blockOf(block))) {
                return tool.report.failure(
                    "restore",
                    file.string() + ": the access bits of trailer block " + std::to_string(block) +
                        " are not each stored with its inverse; the card would lock the "
                        "sector: nothing was written",
                    ExitCode::Usage);
            }
        }
    }
    const OpenPort port(tool.api, tool.port);
    if (auto failed = portFailure(tool, "restore", port)) {
        return *failed;
    }
    auto selected = selectedCard(tool, "restore", true);
    if (const int* failed = std::get_if<int>(&selected)) {
        return *failed;
    }
    CardAccess& card = std::get<CardAccess>(selected);
    const CardKind kind = *card.card().kind;
    if (blockCount(kind) != dumpBlocks) {
        return tool.report.failure("restore",
                                   file.string() + " holds " + std::to_string(dump.size()) +
                                       " bytes, not a dump of a " + std::string(kindName(kind)) +
                                       " card: nothing was written",
                                   ExitCode::Usage);
    }
    // Block 0 is the manufacturer's; a trailer goes last in its sector, since it may change the
    // keys that open the sector.
    int written = 0;
    for (int block = 1; block < dumpBlocks; ++block) {
        if (isTrailer(block) && !trailers) {
            continue;
        }
        if (const std::int32_t status = card.write(block, blockOf(block), tool.key);
            status != MF_OK) {
            return tool.report.failed("restore",
                                      "cannot write block " + std::to_string(block) + " after " +
                                          std::to_string(written) + " blocks written",
                                      status);
        }
        ++written;
    }
    const std::string uid = uidText(card.card().uid);
    tool.report.result("restore",
                       "restored " + std::to_string(written) + " blocks of " + uid + " from " +
                           file.string() + (trailers ? "" : " (trailers kept)"),
                       Json{{"uid", uid}, {"file", file.string()}, {"blocks", written}});
    return 0;
}

} // namespace tagcard
