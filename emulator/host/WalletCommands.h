#pragma once

#include "emulator/host/Console.h"
#include "emulator/host/WalletActions.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace kov450 {

/// The card a console word names: its number from 1, or its UID in hex.
[[nodiscard]] std::optional<std::size_t> cardNamed(const Reader& reader, const std::string& word);

/// Why a word names no card, for an error line.
std::string noCardNamed(const std::string& word);

/// The wallet action a console line's words ask for (create, present, remove, credit, revive,
/// export, import, delete), or what is wrong with the words; nothing for any other verb.
[[nodiscard]] std::optional<std::variant<WalletAction, ActionRefused>>
walletActionOf(const std::vector<std::string>& words, const Reader& reader);

/// Reads the words into their wallet action and does it; nothing for any other verb.
[[nodiscard]] std::optional<ConsoleReply> walletCommand(const std::vector<std::string>& words,
                                                        Reader& reader);

} // namespace kov450
