#pragma once

#include "emulator/host/LineFaults.h"
#include "emulator/model/Reader.h"

#include <string>
#include <string_view>
#include <vector>

namespace kov450 {

/// What a console line produced: lines to print, and whether the program should end.
struct ConsoleReply {
    std::vector<std::string> lines;
    bool quit = false;
};

/// The line console of the emulator, for people and scripts. It reads its words into the
/// wallet's and the line's actions, and answers questions about the reader itself; it knows
/// nothing of terminals: a line in, lines out. Errors start with "error: ".
class Console {
public:
    /// `faults` collects what the line host does to the next answer.
    Console(Reader& reader, LineFaults& faults) : reader_(reader), faults_(faults) {}

    ConsoleReply execute(std::string_view line);

    static std::vector<std::string> help();

private:
    ConsoleReply listCards() const;
    ConsoleReply showCard(const std::vector<std::string>& words) const;

    Reader& reader_;
    LineFaults& faults_;
};

} // namespace kov450
