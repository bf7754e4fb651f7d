#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mfapi::pcsc {

/// A reader as the PC/SC service lists it, with the ATR of the card in it (empty when no card
/// answers there).
struct ReaderSeen {
    std::string name;
    std::vector<std::uint8_t> atr;
};

/// The reader names of the service's list: a multi-string, each name ended by a zero byte and
/// the list by an empty name. A last name the list's end cuts off before its zero byte counts,
/// and nothing is read past the end.
std::vector<std::string> readerNamesOf(std::string_view list);

/// Whether a reader's name says it has a contactless slot: it holds PICC, Contactless or NFC, or
/// the word CL (as in "... (CL)"), ignoring case.
bool namesContactlessSlot(std::string_view readerName);

/// Whether a reader has a contactless slot: its name says so, or the card in it has a
/// contactless ATR.
bool contactless(const ReaderSeen& reader);

/// The first contactless reader that holds a card, for `pcsc` without a name; nothing when none
/// does.
[[nodiscard]] std::optional<std::size_t>
contactlessReaderWithACard(const std::vector<ReaderSeen>& readers);

/// The reader a `pcsc` port means when it is opened: with `nameContains` empty, the first
/// contactless reader that holds a card, else the first contactless reader, else the first
/// reader; otherwise the first whose name contains the text, ignoring case. Nothing when no
/// reader fits.
[[nodiscard]] std::optional<std::size_t> chooseReader(const std::vector<ReaderSeen>& readers,
                                                      std::string_view nameContains);

} // namespace mfapi::pcsc
