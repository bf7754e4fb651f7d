#include "emulator/dumps/CardDump.h"

#include "emulator/model/HexText.h"
#include "emulator/state/AtomicFile.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <system_error>

namespace kov450 {

namespace {

constexpr std::size_t k1KBytes = 1024;
constexpr std::size_t k4KBytes = 4096;
/// A dump holds the card's keys: the user's alone, in every format.
constexpr unsigned kDumpPermissions = 0600;

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::variant<MifareClassic, std::string> fromRaw(std::string_view contents) {
    const auto* first = reinterpret_cast<const std::uint8_t*>(contents.data());
    if (auto card = MifareClassic::fromDump(std::span(first, contents.size()))) {
        return *std::move(card);
    }
    return "a raw dump holds 1024 (1K) or 4096 (4K) bytes, not " + std::to_string(contents.size());
}

std::variant<MifareClassic, std::string> fromEml(std::string_view contents) {
    std::istringstream lines{std::string(contents)};
    std::vector<std::uint8_t> memory;
    std::size_t number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        const auto bytes = bytesOfHexText(line);
        if (!bytes || bytes->size() != 16) {
            return "line " + std::to_string(number) + " is not a block of 32 hex digits";
        }
        memory.insert(memory.end(), bytes->begin(), bytes->end());
    }
    if (memory.size() != k1KBytes && memory.size() != k4KBytes) {
        return "an .eml dump has 64 (1K) or 256 (4K) blocks, not " +
               std::to_string(memory.size() / 16);
    }
    return *MifareClassic::fromDump(memory);
}

} // namespace

std::optional<DumpFormat> dumpFormatOf(const std::filesystem::path& path) {
    const std::string extension = lowered(path.extension().string());
    if (extension == ".eml") {
        return DumpFormat::Eml;
    }
    if (extension == ".mfd" || extension == ".bin" || extension == ".dump") {
        return DumpFormat::Raw;
    }
    return std::nullopt;
}

std::variant<MifareClassic, std::string> cardFromDump(std::string_view contents,
                                                      std::optional<DumpFormat> format) {
    if (!format) {
        format = contents.size() == k1KBytes || contents.size() == k4KBytes ? DumpFormat::Raw
                                                                            : DumpFormat::Eml;
    }
    return *format == DumpFormat::Raw ? fromRaw(contents) : fromEml(contents);
}

std::string emlText(const MifareClassic& card) {
    std::string text;
    for (std::size_t block = 0; block < card.blockCount(); ++block) {
        text += hexText(card.block(block)) + "\n";
    }
    return text;
}

std::variant<MifareClassic, std::string> readCardDump(const std::filesystem::path& path) {
    std::ifstream input(path, std::ios::binary);
    if (!input) {
        return "cannot read " + path.string();
    }
    std::ostringstream contents;
    contents << input.rdbuf();
    auto card = cardFromDump(contents.str(), dumpFormatOf(path));
    if (auto* problem = std::get_if<std::string>(&card)) {
        return path.string() + ": " + *problem;
    }
    return card;
}

std::optional<std::string> writeCardDump(const MifareClassic& card,
                                         const std::filesystem::path& path) {
    try {
        if (dumpFormatOf(path) == DumpFormat::Eml) {
            writeTextAtomically(path, emlText(card), kDumpPermissions);
        } else {
            const std::vector<std::uint8_t> memory = card.dump();
            writeFileAtomically(
                path, std::span(reinterpret_cast<const char*>(memory.data()), memory.size()),
                kDumpPermissions);
        }
    } catch (const std::system_error& error) {
        return std::string(error.what());
    }
    return std::nullopt;
}

} // namespace kov450
