#include "emulator/state/StateFile.h"

#include "emulator/model/HexText.h"
#include "emulator/state/LastingSettings.h"

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

/// Writes each lasting setting as its lines of the state text.
class SettingWriter {
public:
    explicit SettingWriter(std::string& text) : text_(text) {}

    template <typename... Numbers>
    void numbers(std::string_view keyword, const Numbers&... values) {
        text_ += "\n" + std::string(keyword);
        ((text_ += " " + std::to_string(values)), ...);
    }
    template <typename Number, std::size_t Count>
    void numberIn(std::string_view keyword, const Number& value, const std::array<Number, Count>&) {
        numbers(keyword, value);
    }
    void bytes(std::string_view keyword, std::span<const std::uint8_t> value) {
        text_ += "\n" + std::string(keyword) + " " + hexText(value);
    }
    /// In hex, so that blanks in it keep their place; "-" when empty.
    void text(std::string_view keyword, const std::string& value) {
        const std::vector<std::uint8_t> bytes(value.begin(), value.end());
        text_ += "\n" + std::string(keyword) + " " + (bytes.empty() ? "-" : hexText(bytes));
    }
    template <typename KeyStore> void keys(std::string_view keyword, const KeyStore& store) {
        for (std::size_t type = 0; type < store.size(); ++type) {
            for (std::size_t slot = 0; slot < store[type].size(); ++slot) {
                text_ += "\n" + std::string(keyword) + " " + std::to_string(type) + " " +
                         std::to_string(slot) + " " + hexText(store[type][slot]);
            }
        }
    }

private:
    std::string& text_;
};

/// Reads each lasting setting back from its lines, in the order they were written.
class SettingReader {
public:
    explicit SettingReader(LineReader& lines) : lines_(lines) {}

    template <typename... Numbers> void numbers(std::string_view keyword, Numbers&... values) {
        const auto words = expectLine(lines_, keyword, 1 + sizeof...(values));
        std::size_t at = 1;
        ((values = orFail(numberOf<Numbers>(words[at++]), lines_)), ...);
    }
    template <typename Number, std::size_t Count>
    void numberIn(std::string_view keyword, Number& value,
                  const std::array<Number, Count>& allowed) {
        numbers(keyword, value);
        if (std::find(allowed.begin(), allowed.end(), value) == allowed.end()) {
            // The keyword in words: "line-speed" is a line speed.
            std::string name(keyword);
            std::replace(name.begin(), name.end(), '-', ' ');
            throw ParseError{lines_.where() + ": no such " + name};
        }
    }
    template <std::size_t Size>
    void bytes(std::string_view keyword, std::array<std::uint8_t, Size>& value) {
        value = orFail(bytesOf<Size>(expectLine(lines_, keyword, 2)[1]), lines_);
    }
    void text(std::string_view keyword, std::string& value) {
        const auto word = expectLine(lines_, keyword, 2)[1];
        const auto bytes =
            orFail(word == "-" ? std::optional(std::vector<std::uint8_t>{}) : bytesOfHexText(word),
                   lines_);
        value.assign(bytes.begin(), bytes.end());
    }
    template <typename KeyStore> void keys(std::string_view keyword, KeyStore& store) {
        for (std::size_t type = 0; type < store.size(); ++type) {
            for (std::size_t slot = 0; slot < store[type].size(); ++slot) {
                const auto words = expectLine(lines_, keyword, 4);
                if (words[1] != std::to_string(type) || words[2] != std::to_string(slot)) {
                    throw ParseError{lines_.where() + ": keys out of order"};
                }
                store[type][slot] = orFail(bytesOf<6>(words[3]), lines_);
            }
        }
    }

private:
    LineReader& lines_;
};

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
    SettingReader settings(lines);
    eachSetting(settings, saved.settings);
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
    std::string text{kHeader};
    SettingWriter settings(text);
    eachSetting(settings, static_cast<const ReaderSettings&>(reader.state()));
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
    static_cast<ReaderSettings&>(reader.state()) = saved.settings;
    for (const CardSlot& slot : saved.cards) {
        const std::size_t index = reader.addCard(slot.card);
        if (slot.inField) {
            reader.present(index);
        }
    }
}

} // namespace kov450
