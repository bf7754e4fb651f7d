#include "emulator/state/StateFile.h"

#include "emulator/model/HexText.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace kov450 {

namespace {

constexpr std::string_view kHeader = "kov450-emu state 1";

/// Reads the state text line by line, each line a list of words, and remembers where it is for
/// the error message.
class LineReader {
public:
    explicit LineReader(std::string_view text) : stream_{std::string(text)} {}

    /// The next line's words, or nothing at the end of the text.
    std::optional<std::vector<std::string>> next() {
        std::string line;
        if (!std::getline(stream_, line)) {
            return std::nullopt;
        }
        ++number_;
        std::istringstream words{line};
        std::vector<std::string> result;
        for (std::string word; words >> word;) {
            result.push_back(word);
        }
        return result;
    }
    std::string where() const { return "line " + std::to_string(number_); }

private:
    std::istringstream stream_;
    std::size_t number_ = 0;
};

template <typename Number> std::optional<Number> numberOf(const std::string& word) {
    Number value{};
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc{} || end != word.data() + word.size()) {
        return std::nullopt;
    }
    return value;
}

template <std::size_t Size>
std::optional<std::array<std::uint8_t, Size>> bytesOf(const std::string& word) {
    const auto bytes = bytesOfHexText(word);
    if (!bytes || bytes->size() != Size) {
        return std::nullopt;
    }
    std::array<std::uint8_t, Size> result{};
    std::copy(bytes->begin(), bytes->end(), result.begin());
    return result;
}

struct ParseError {
    std::string message;
};

/// The next line, which must start with `keyword` and have `count` words in all.
std::vector<std::string> expectLine(LineReader& lines, std::string_view keyword,
                                    std::size_t count) {
    auto words = lines.next();
    if (!words || words->size() != count || (*words)[0] != keyword) {
        throw ParseError{lines.where() + ": expected '" + std::string(keyword) + "'"};
    }
    return *words;
}

template <typename Value> Value orFail(std::optional<Value> value, const LineReader& lines) {
    if (!value) {
        throw ParseError{lines.where() + ": bad value"};
    }
    return *value;
}

SavedState parse(std::string_view text) {
    LineReader lines(text);
    const auto header = lines.next();
    std::string joined;
    for (const auto& word : header.value_or(std::vector<std::string>{})) {
        joined += (joined.empty() ? "" : " ") + word;
    }
    if (joined != kHeader) {
        throw ParseError{"not a kov450-emu state file (no header)"};
    }
    SavedState saved;
    ReaderState& reader = saved.reader;
    reader.address = orFail(numberOf<std::uint8_t>(expectLine(lines, "address", 2)[1]), lines);
    reader.lineSpeed =
        orFail(numberOf<std::uint32_t>(expectLine(lines, "line-speed", 2)[1]), lines);
    if (std::find(kReaderLineSpeeds.begin(), kReaderLineSpeeds.end(), reader.lineSpeed) ==
        kReaderLineSpeeds.end()) {
        throw ParseError{lines.where() + ": no such line speed"};
    }
    reader.serialNumber = orFail(bytesOf<8>(expectLine(lines, "serial", 2)[1]), lines);
    const auto version = expectLine(lines, "version", 2)[1];
    const auto versionBytes = orFail(version == "-" ? std::optional(std::vector<std::uint8_t>{})
                                                    : bytesOfHexText(version),
                                     lines);
    reader.version.assign(versionBytes.begin(), versionBytes.end());
    for (std::size_t type = 0; type < reader.keyStore.size(); ++type) {
        for (std::size_t slot = 0; slot < reader.keyStore[type].size(); ++slot) {
            const auto words = expectLine(lines, "key", 4);
            if (words[1] != std::to_string(type) || words[2] != std::to_string(slot)) {
                throw ParseError{lines.where() + ": keys out of order"};
            }
            reader.keyStore[type][slot] = orFail(bytesOf<6>(words[3]), lines);
        }
    }
    const auto wiegand = expectLine(lines, "wiegand", 3);
    reader.wiegandMode = orFail(numberOf<std::uint8_t>(wiegand[1]), lines);
    reader.wiegandFormat = orFail(numberOf<std::uint8_t>(wiegand[2]), lines);
    for (;;) {
        const auto words = lines.next();
        if (!words) {
            throw ParseError{"the file ends before its 'end' line"};
        }
        if (words->size() == 1 && (*words)[0] == "end") {
            break;
        }
        if (words->size() != 3 || (*words)[0] != "card" ||
            ((*words)[1] != "1K" && (*words)[1] != "4K") ||
            ((*words)[2] != "field" && (*words)[2] != "away")) {
            throw ParseError{lines.where() + ": expected 'card 1K|4K field|away' or 'end'"};
        }
        const std::string cardLine = lines.where();
        const CardKind kind = (*words)[1] == "4K" ? CardKind::Classic4K : CardKind::Classic1K;
        std::vector<std::uint8_t> memory;
        for (std::size_t block = 0; block < blockCountOf(kind); ++block) {
            const auto line = lines.next();
            if (!line || line->size() != 1) {
                throw ParseError{lines.where() + ": expected a block of 32 hex digits"};
            }
            const auto bytes = orFail(bytesOf<16>((*line)[0]), lines);
            memory.insert(memory.end(), bytes.begin(), bytes.end());
        }
        CardSlot slot{*MifareClassic::fromDump(memory), (*words)[2] == "field"};
        // The console and the window name a card by its UID.
        const Uid uid = slot.card.uid();
        if (std::any_of(saved.cards.begin(), saved.cards.end(),
                        [&](const CardSlot& other) { return other.card.uid() == uid; })) {
            throw ParseError{cardLine + ": a second card with UID " + hexText(uid)};
        }
        saved.cards.push_back(std::move(slot));
    }
    if (const auto rest = lines.next(); rest && !rest->empty()) {
        throw ParseError{lines.where() + ": text after the 'end' line"};
    }
    return saved;
}

} // namespace

std::string stateText(const Reader& reader) {
    const ReaderState& state = reader.state();
    std::string text{kHeader};
    text += "\naddress " + std::to_string(state.address);
    text += "\nline-speed " + std::to_string(state.lineSpeed);
    text += "\nserial " + hexText(state.serialNumber);
    const std::vector<std::uint8_t> version(state.version.begin(), state.version.end());
    text += "\nversion " + (version.empty() ? std::string("-") : hexText(version));
    for (std::size_t type = 0; type < state.keyStore.size(); ++type) {
        for (std::size_t slot = 0; slot < state.keyStore[type].size(); ++slot) {
            text += "\nkey " + std::to_string(type) + " " + std::to_string(slot) + " " +
                    hexText(state.keyStore[type][slot]);
        }
    }
    text += "\nwiegand " + std::to_string(state.wiegandMode) + " " +
            std::to_string(state.wiegandFormat);
    for (const CardSlot& slot : reader.cards()) {
        text += std::string("\ncard ") + (slot.card.kind() == CardKind::Classic4K ? "4K" : "1K") +
                (slot.inField ? " field" : " away");
        for (std::size_t block = 0; block < slot.card.blockCount(); ++block) {
            text += "\n" + hexText(slot.card.block(block));
        }
    }
    text += "\nend\n";
    return text;
}

std::variant<SavedState, std::string> parseStateText(std::string_view text) {
    try {
        return parse(text);
    } catch (const ParseError& error) {
        return error.message;
    }
}

void restoreState(Reader& reader, const SavedState& saved) {
    ReaderState& state = reader.state();
    state.address = saved.reader.address;
    state.lineSpeed = saved.reader.lineSpeed;
    state.serialNumber = saved.reader.serialNumber;
    state.version = saved.reader.version;
    state.keyStore = saved.reader.keyStore;
    state.wiegandMode = saved.reader.wiegandMode;
    state.wiegandFormat = saved.reader.wiegandFormat;
    for (const CardSlot& slot : saved.cards) {
        const std::size_t index = reader.addCard(slot.card);
        if (slot.inField) {
            reader.present(index);
        }
    }
}

} // namespace kov450
