#include "emulator/dumps/CardDump.h"

#include "emulator/model/HexText.h"
#include "emulator/state/AtomicFile.h"
#include "emulator/state/FileDescriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
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

std::string tooLong(const std::filesystem::path& path, std::size_t size) {
    return path.string() + " holds " + std::to_string(size) + " bytes; a card dump holds at most " +
           std::to_string(kLongestDumpFile);
}

/// A dump file's bytes. Only a regular file is opened and read, and no more than a dump's size:
/// a FIFO would wait for a writer and a device may never end.
std::variant<std::vector<char>, std::string> readDumpFile(const std::filesystem::path& path) {
    const std::string notRegular = path.string() + " is not a regular file";
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return "cannot read " + path.string() + ": " + std::strerror(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return notRegular;
    }
    // Not blocking, in case the name became a FIFO since: it is then refused below.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!file.valid() || ::fstat(file.get(), &info) != 0) {
        return "cannot read " + path.string() + ": " + std::strerror(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return notRegular;
    }
    if (static_cast<std::uintmax_t>(info.st_size) > kLongestDumpFile) {
        return tooLong(path, static_cast<std::size_t>(info.st_size));
    }
    // One byte more than the longest dump tells a file that grew since fstat.
    std::vector<char> contents(kLongestDumpFile + 1);
    std::size_t size = 0;
    while (size < contents.size()) {
        const ssize_t got = ::read(file.get(), contents.data() + size, contents.size() - size);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return "cannot read " + path.string() + ": " + std::strerror(errno);
        }
        if (got == 0) {
            break;
        }
        size += static_cast<std::size_t>(got);
    }
    if (size > kLongestDumpFile) {
        return tooLong(path, size);
    }
    contents.resize(size);
    return contents;
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
    auto contents = readDumpFile(path);
    if (auto* problem = std::get_if<std::string>(&contents)) {
        return std::move(*problem);
    }
    const auto& bytes = std::get<std::vector<char>>(contents);
    auto card = cardFromDump(std::string_view(bytes.data(), bytes.size()), dumpFormatOf(path));
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
