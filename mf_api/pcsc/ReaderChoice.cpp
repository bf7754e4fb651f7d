#include "mf_api/pcsc/ReaderChoice.h"

#include "mifare/StorageCardAtr.h"

#include <algorithm>
#include <cctype>

namespace mfapi::pcsc {

namespace {

std::string lowered(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool hasWord(std::string_view text, std::string_view word) {
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && std::isalnum(static_cast<unsigned char>(text[at])) == 0) {
            ++at;
        }
        std::size_t end = at;
        while (end < text.size() && std::isalnum(static_cast<unsigned char>(text[end])) != 0) {
            ++end;
        }
        if (text.substr(at, end - at) == word) {
            return true;
        }
        at = end;
    }
    return false;
}

} // namespace

bool namesContactlessSlot(std::string_view readerName) {
    const std::string name = lowered(readerName);
    return name.find("picc") != std::string::npos ||
           name.find("contactless") != std::string::npos || name.find("nfc") != std::string::npos ||
           hasWord(name, "cl");
}

std::optional<std::size_t> chooseReader(const std::vector<ReaderSeen>& readers,
                                        std::string_view nameContains) {
    if (readers.empty()) {
        return std::nullopt;
    }
    if (!nameContains.empty()) {
        const std::string wanted = lowered(nameContains);
        for (std::size_t index = 0; index < readers.size(); ++index) {
            if (lowered(readers[index].name).find(wanted) != std::string::npos) {
                return index;
            }
        }
        return std::nullopt;
    }
    if (const auto withACard = contactlessReaderWithACard(readers)) {
        return withACard;
    }
    for (std::size_t index = 0; index < readers.size(); ++index) {
        if (contactless(readers[index])) {
            return index;
        }
    }
    // No reader says it has a contactless slot: the first one may still have.
    return 0;
}

bool contactless(const ReaderSeen& reader) {
    return namesContactlessSlot(reader.name) || mifare::contactlessAtr(reader.atr);
}

std::optional<std::size_t> contactlessReaderWithACard(const std::vector<ReaderSeen>& readers) {
    for (std::size_t index = 0; index < readers.size(); ++index) {
        if (!readers[index].atr.empty() && contactless(readers[index])) {
            return index;
        }
    }
    return std::nullopt;
}

std::vector<std::string> readerNamesOf(std::string_view list) {
    std::vector<std::string> names;
    while (!list.empty() && list.front() != '\0') {
        const auto end = list.find('\0');
        names.emplace_back(list.substr(0, end));
        list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
    }
    return names;
}

} // namespace mfapi::pcsc
