#include "journal/PurchaseRecord.h"

#include "journal/CsvLine.h"
#include "journal/SpreadsheetText.h"

#include "text/PrintableText.h"

#include <array>
#include <charconv>
#include <ctime>
#include <utility>

namespace journal {

namespace {

constexpr std::array<std::pair<PurchaseEvent, std::string_view>, 8> kEventNames{{
    {PurchaseEvent::Asked, "asked"},
    {PurchaseEvent::Declined, "declined"},
    {PurchaseEvent::Sending, "sending"},
    {PurchaseEvent::Written, "written"},
    {PurchaseEvent::Refused, "refused"},
    {PurchaseEvent::Unknown, "unknown"},
    {PurchaseEvent::ResolvedWritten, "resolved-written"},
    {PurchaseEvent::ResolvedNotWritten, "resolved-not-written"},
}};

constexpr std::size_t kFieldCount = 8;
/// A text longer than this is cut, so that every line stays short enough to be read back.
constexpr std::size_t kLongestText = 256;
constexpr int kLargestCredit = 255;

/// A text as a line may hold it: printable, and short enough to be read back.
std::string bounded(std::string_view text) {
    std::string shown = text::printable(text);
    if (shown.size() > kLongestText) {
        // Not inside a UTF-8 character, which is 4 bytes at most; text that is not UTF-8 is
        // cut where it stands.
        std::size_t cut = kLongestText;
        while (cut > kLongestText - 3 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        shown.resize(cut);
    }
    return shown;
}

/// A text as its field holds it: bounded, and inert in a spreadsheet.
std::string textField(std::string_view text) {
    return inertText(bounded(text));
}

template <typename Number> std::optional<Number> number(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> credit(std::string_view text) {
    const std::optional<int> value = number<int>(text);
    if (!value || *value < 0 || *value > kLargestCredit) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::string_view eventName(PurchaseEvent event) {
    for (const auto& [known, name] : kEventNames) {
        if (known == event) {
            return name;
        }
    }
    return "?";
}

std::optional<PurchaseEvent> eventNamed(std::string_view name) {
    for (const auto& [event, known] : kEventNames) {
        if (known == name) {
            return event;
        }
    }
    return std::nullopt;
}

std::string utcTime(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm parts{};
    ::gmtime_r(&seconds, &parts);
    std::array<char, 32> text{};
    const std::size_t length =
        std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%SZ", &parts);
    return std::string(text.data(), length);
}

std::string journalLine(const PurchaseRecord& record) {
    std::string line;
    for (const std::string& field :
         {textField(record.time), textField(record.port), textField(record.cardUid),
          std::to_string(record.credit), textField(record.amount), std::to_string(record.newCredit),
          std::string(eventName(record.event)), std::to_string(record.status)}) {
        if (!line.empty()) {
            line += ',';
        }
        line += csvField(field);
    }
    line += "\r\n";
    return line;
}

std::optional<PurchaseRecord> parseJournalLine(std::string_view line) {
    if (line.empty() || line.back() != '\r') {
        return std::nullopt;
    }
    line.remove_suffix(1);
    const std::optional<std::vector<std::string>> fields = csvFields(line);
    if (!fields || fields->size() != kFieldCount) {
        return std::nullopt;
    }
    const std::vector<std::string>& f = *fields;
    const std::string_view time = textOfInert(f[0]);
    const std::string_view cardUid = textOfInert(f[2]);
    const std::optional<int> creditRead = credit(f[3]);
    const std::optional<int> newCredit = credit(f[5]);
    const std::optional<PurchaseEvent> event = eventNamed(f[6]);
    const std::optional<std::int32_t> status = number<std::int32_t>(f[7]);
    if (time.empty() || cardUid.empty() || !creditRead || !newCredit || !event || !status) {
        return std::nullopt;
    }
    return PurchaseRecord{std::string(time),
                          std::string(textOfInert(f[1])),
                          std::string(cardUid),
                          *creditRead,
                          std::string(textOfInert(f[4])),
                          *newCredit,
                          *event,
                          *status};
}

} // namespace journal
