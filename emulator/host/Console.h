#pragma once

#include "emulator/host/LineFaults.h"
#include "emulator/model/Reader.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kov450 {

/// What a console line produced: lines to print, and whether the program should end.
struct ConsoleReply {
    std::vector<std::string> lines;
    bool quit = false;
};

/// The line console of the emulator, for people and scripts. It acts on the reader's model
/// directly and knows nothing of terminals: a line in, lines out. Errors start with "error: ".
class Console {
public:
    /// `faults` collects what the line host does to the next answer.
    Console(Reader& reader, LineFaults& faults) : reader_(reader), faults_(faults) {}

    ConsoleReply execute(std::string_view line);

    static std::vector<std::string> help();

private:
    ConsoleReply listCards() const;
    ConsoleReply createCard(const std::vector<std::string>& words);
    ConsoleReply moveCard(const std::vector<std::string>& words, bool intoField);
    ConsoleReply showCard(const std::vector<std::string>& words);
    ConsoleReply setCredit(const std::vector<std::string>& words);
    ConsoleReply reviveCard(const std::vector<std::string>& words);
    ConsoleReply queueNoise(const std::vector<std::string>& words);
    // The wallet verbs, in WalletCommands.cpp.
    ConsoleReply exportCard(const std::vector<std::string>& words);
    ConsoleReply importCard(const std::vector<std::string>& words);
    ConsoleReply deleteCard(const std::vector<std::string>& words);
    /// The card a word names: its number from 1, or its UID in hex.
    std::optional<std::size_t> cardNamed(const std::string& word) const;

    Reader& reader_;
    LineFaults& faults_;
};

} // namespace kov450
