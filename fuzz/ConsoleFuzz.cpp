// libFuzzer target: the emulator's console. Each input line goes to Console::execute, with the
// reader and its faults behind it; no line may crash it, and every reply must say something.
// Lines that import or export a card are left out: they would read and write files named by
// the input, anywhere (the card_dump target fuzzes what they parse).
#include "emulator/host/Console.h"
#include "emulator/host/ConsoleWords.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kov450::Reader reader;
    kov450::LineFaults faults;
    kov450::Console console(reader, faults);
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (const auto words = kov450::wordsOf(line);
            !words.empty() &&
            (kov450::lowered(words[0]) == "import" || kov450::lowered(words[0]) == "export")) {
            continue;
        }
        const kov450::ConsoleReply reply = console.execute(line);
        if (reply.lines.empty() && line.find_first_not_of(" \t\r\v\f") != std::string_view::npos &&
            !reply.quit) {
            std::abort();
        }
    }
    return 0;
}
