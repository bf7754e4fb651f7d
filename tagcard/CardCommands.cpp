// The commands that look at the reader and the card: info, scan, watch, read, write, credit.
#include "tagcard/CommandSteps.h"
#include "tagcard/Commands.h"

#include "binding/DeviceAddress.h"
#include "binding/MfApi.h"
#include "protocol/Status.h"

#include <array>
#include <chrono>
#include <cmath>

namespace tagcard {

namespace {

using namespace std::chrono_literals;

/// The longest version text a reader or the library gives, with its terminating zero.
constexpr std::size_t kVersionBytes = 33;
constexpr std::size_t kSerialBytes = 8;

std::string textOf(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (const std::uint8_t byte : bytes) {
        if (byte == 0) {
            break;
        }
        text += static_cast<char>(byte);
    }
    return text;
}

/// A reader function's answer for `info`: its value, or that it gave none, and why.
void addReaderValue(std::string& text, Json& fields, const std::string& label,
                    const std::string& key, std::int32_t status, const Json& value,
                    const std::string& shown) {
    text += "\n" + label + ": " +
            (status == MF_OK ? shown : "none (" + protocol::statusText(status) + ")");
    fields[key] = status == MF_OK ? value : Json(nullptr);
    if (status != MF_OK) {
        fields[key + "_status"] = status;
    }
}

Json cardFields(const FoundCard& card) {
    return Json{{"uid", uidText(card.uid)},
                {"type", typeText(card)},
                {"atqa", hexText(std::span(card.type).first<2>())},
                {"sak", hexText(std::span(card.type).last<1>())}};
}

std::string cardLine(const FoundCard& card) {
    return uidText(card.uid) + " " + typeText(card);
}

} // namespace

int runInfo(Tool& tool) {
    std::array<std::uint8_t, kVersionBytes> version{};
    const std::int32_t libraryStatus = tool.api.MF_GetDLL_Ver(version.data());
    if (libraryStatus != MF_OK) {
        return tool.report.failed("info", "cannot load MF_API", libraryStatus);
    }
    const OpenPort port(tool.api, tool.port);
    if (auto failed = portFailure(tool, "info", port)) {
        return *failed;
    }
    const std::string library = tool.api.loadedFrom().string();
    std::string text = "library: " + library + ", " + textOf(version) + "\nport: " + tool.port;
    Json fields{{"library", library}, {"library_version", textOf(version)}, {"port", tool.port}};

    std::array<std::uint8_t, kVersionBytes> readerVersion{};
    const std::int32_t versionStatus =
        tool.api.MF_GetDevice_Ver(reader::kDevice, readerVersion.data());
    addReaderValue(text, fields, "reader version", "reader_version", versionStatus,
                   textOf(readerVersion), textOf(readerVersion));
    std::array<std::uint8_t, kSerialBytes> serial{};
    const std::int32_t serialStatus = tool.api.MF_GetDeviceSNR(reader::kDevice, serial.data());
    addReaderValue(text, fields, "serial number", "serial_number", serialStatus, textOf(serial),
                   textOf(serial));
    std::uint8_t address = 0;
    const std::int32_t addressStatus = tool.api.MF_GetDeviceAddr(reader::kDevice, &address);
    addReaderValue(text, fields, "address", "address", addressStatus, address,
                   std::to_string(address));
    tool.report.result("info", text, fields);
    return 0;
}

int runScan(Tool& tool, std::optional<double> waitSeconds) {
    const OpenPort port(tool.api, tool.port);
    if (auto failed = portFailure(tool, "scan", port)) {
        return *failed;
    }
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(std::llround(waitSeconds.value_or(0) * 1000));
    for (;;) {
        FoundCard card;
        const std::int32_t status = findCard(tool.api, MF_REQUEST_ALL, card);
        if (status == MF_OK) {
            tool.report.result("scan", cardLine(card), cardFields(card));
            return 0;
        }
        if (status != MF_ERR_NO_CARD || std::chrono::steady_clock::now() >= deadline) {
            return tool.report.failed(
                "scan", status == MF_ERR_NO_CARD ? "no card in the field" : "no card found",
                status);
        }
        if (!tool.interrupts.pause(kPollInterval)) {
            return interruptedExit(*tool.interrupts.caught());
        }
    }
}

int runWatch(Tool& tool) {
    const OpenPort port(tool.api, tool.port);
    if (auto failed = portFailure(tool, "watch", port)) {
        return *failed;
    }
    // tagpoll's rule: a card whose request and anticollision succeed is shown when its UID is
    // not the one shown last, so a card that stays is shown once.
    std::optional<Uid> last;
    while (tool.report.good() && tool.interrupts.pause(kPollInterval)) {
        FoundCard card;
        if (findCard(tool.api, MF_REQUEST_IDLE, card) != MF_OK || card.uid == last) {
            continue;
        }
        last = card.uid;
        tool.report.result("watch", cardLine(card), cardFields(card));
    }
    return 0;
}

int runRead(Tool& tool, const std::string& blockText, const std::optional<std::string>& countText) {
    const auto first = parseNumber(blockText, 0, 255, "BLOCK");
    const auto count = parseNumber(countText.value_or("1"), 1, 256, "COUNT");
    for (const auto* parsed : {&first, &count}) {
        if (const auto* problem = std::get_if<std::string>(parsed)) {
            return tool.report.failure("read", *problem, ExitCode::Usage);
        }
    }
    const int from = std::get<int>(first);
    const int blocks = std::get<int>(count);
    const OpenPort port(tool.api, tool.port);
    if (auto failed = portFailure(tool, "read", port)) {
        return *failed;
    }
    auto selected = selectedCard(tool, "read", true);
    if (const int* failed = std::get_if<int>(&selected)) {
        return *failed;
    }
    CardAccess& card = std::get<CardAccess>(selected);
    if (auto outside = outsideCard(tool, "read", *card.card().kind, from, blocks)) {
        return *outside;
    }
    std::vector<std::uint8_t> data(static_cast<std::size_t>(blocks) * kBlockSize);
    if (const std::int32_t status = card.read(from, data, tool.key); status != MF_OK) {
        return tool.report.failed("read", "cannot read the blocks", status);
    }
    std::string text;
    Json lines = Json::array();
    for (std::size_t at = 0; at < data.size(); at += kBlockSize) {
        const std::string line = hexText(std::span(data).subspan(at, kBlockSize));
        text += (at == 0 ? "" : "\n") + line;
        lines.push_back(line);
    }
    tool.report.result("read", text,
                       Json{{"uid", uidText(card.card().uid)}, {"block", from}, {"data", lines}});
    return 0;
}

int runWrite(Tool& tool, const std::string& blockText, const std::vector<std::string>& hexBlocks,
             bool trailer) {
    const auto first = parseNumber(blockText, 0, 255, "BLOCK");
    if (const auto* problem = std::get_if<std::string>(&first)) {
        return tool.report.failure("write", *problem, ExitCode::Usage);
    }
    const int from = std::get<int>(first);
    std::vector<std::uint8_t> data;
    for (std::size_t at = 0; at < hexBlocks.size(); ++at) {
        const int block = from + static_cast<int>(at);
        auto parsed = parseBlockHex(hexBlocks[at]);
        std::string problem;
        if (const auto* bad = std::get_if<std::string>(&parsed)) {
            problem = *bad;
        } else if (block == 0) {
            problem = "block 0 holds the manufacturer's data, which no card lets change";
        } else if (isTrailer(block) && !trailer) {
            problem = "block " + std::to_string(block) +
                      " is a sector trailer (keys and access bits): write it with --trailer";
        } else if (isTrailer(block) && !accessBitsConsistent(std::get<Block>(parsed))) {
            problem = "the access bits of trailer block " + std::to_string(block) +
                      " are not each stored with its inverse; the card would lock the sector";
        }
        if (!problem.empty()) {
            return tool.report.failure("write", problem + ": nothing was written", ExitCode::Usage);
        }
        const Block& bytes = std::get<Block>(parsed);
        data.insert(data.end(), bytes.begin(), bytes.end());
    }
    const OpenPort port(tool.api, tool.port);
    if (auto failed = portFailure(tool, "write", port)) {
        return *failed;
    }
    auto selected = selectedCard(tool, "write", true);
    if (const int* failed = std::get_if<int>(&selected)) {
        return *failed;
    }
    CardAccess& card = std::get<CardAccess>(selected);
    const int count = static_cast<int>(hexBlocks.size());
    if (auto outside = outsideCard(tool, "write", *card.card().kind, from, count)) {
        return *outside;
    }
    if (const std::int32_t status = card.write(from, data, tool.key); status != MF_OK) {
        return tool.report.failed("write", "cannot write the blocks", status);
    }
    tool.report.result("write",
                       "wrote " + std::to_string(count) + (count == 1 ? " block" : " blocks") +
                           " from block " + std::to_string(from) + " of " +
                           uidText(card.card().uid),
                       Json{{"uid", uidText(card.card().uid)}, {"block", from}, {"count", count}});
    return 0;
}

int runCredit(Tool& tool) {
    const OpenPort port(tool.api, tool.port);
    if (auto failed = portFailure(tool, "credit", port)) {
        return *failed;
    }
    auto selected = selectedCard(tool, "credit", false);
    if (const int* failed = std::get_if<int>(&selected)) {
        return *failed;
    }
    CardAccess& card = std::get<CardAccess>(selected);
    Block block{};
    if (const std::int32_t status = card.read(kCreditBlock, block, tool.key); status != MF_OK) {
        return tool.report.failed("credit", "cannot read block 4", status);
    }
    tool.report.result("credit", std::to_string(block[0]),
                       Json{{"uid", uidText(card.card().uid)}, {"credit", block[0]}});
    return 0;
}

} // namespace tagcard
