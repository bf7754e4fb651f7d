#include "emulator/host/FaultCommands.h"

#include "emulator/host/ConsoleWords.h"
#include "emulator/host/ErrorLine.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace kov450 {

namespace {

// Longer than any answer timeout of the library, short enough for a test to wait out.
constexpr unsigned kLongestDelayMs = 60000;

ConsoleReply said(std::string line) {
    return {{std::move(line)}, false};
}

ConsoleReply error(const std::string& message) {
    return said(errorLine(message));
}

std::optional<bool> onOff(const std::vector<std::string>& words) {
    if (words.size() != 2) {
        return std::nullopt;
    }
    const std::string word = lowered(words[1]);
    if (word == "on") {
        return true;
    }
    if (word == "off") {
        return false;
    }
    return std::nullopt;
}

std::vector<std::string> pending(const LineFaults& faults) {
    std::vector<std::string> lines;
    if (!faults.noise.empty()) {
        lines.push_back("noise of " + std::to_string(faults.noise.size()) + " byte(s)");
    }
    if (faults.corruptNextAnswer) {
        lines.emplace_back("corrupt the next answer");
    }
    if (faults.dropNextAnswer) {
        lines.emplace_back("drop the next answer");
    }
    if (faults.delayNextAnswer.count() > 0) {
        lines.push_back("delay the next answer by " +
                        std::to_string(faults.delayNextAnswer.count()) + " ms");
    }
    if (faults.mute) {
        lines.emplace_back("mute: no answers");
    }
    if (faults.wrongSpeed) {
        lines.emplace_back("wrong speed: answers are garbage");
    }
    if (faults.pullAfterRead) {
        lines.emplace_back("pull the cards after the next read");
    }
    if (faults.tearNextWrite) {
        lines.push_back("tear the next write after " + std::to_string(*faults.tearNextWrite) +
                        " block(s)");
    }
    if (lines.empty()) {
        lines.emplace_back("no faults pending");
    }
    return lines;
}

ConsoleReply clearFaults(LineFaults& faults) {
    auto vanish = std::move(faults.vanish);
    faults = LineFaults{};
    faults.vanish = std::move(vanish);
    return said("faults cleared");
}

} // namespace

std::vector<std::string> withFaultHelp(std::vector<std::string> help) {
    const std::vector<std::string> faults{
        "  drop                         lose the next answer on the line",
        "  delay MS                     hold the next answer back MS milliseconds",
        "  mute on|off                  stop answering anything, or answer again",
        "  wrongspeed on|off            answer at another line speed than the host's",
        "  pull                         take the cards away right after the next read",
        "  tear [BLOCKS]                power lost in the next write: BLOCKS whole blocks",
        "                               written (default 0), the block in flight and the",
        "                               rest kept, the cards leave the field",
        "  vanish                       close the pty at once, as when a reader is pulled",
        "  faults [clear]               the pending faults, or none of them"};
    const auto at = help.size() >= 2 ? help.end() - 2 : help.end();
    help.insert(at, faults.begin(), faults.end());
    return help;
}

std::optional<ConsoleReply> faultCommand(const std::vector<std::string>& words,
                                         LineFaults& faults) {
    if (words.empty()) {
        return std::nullopt;
    }
    const std::string verb = lowered(words[0]);
    if (verb == "drop") {
        if (words.size() != 1) {
            return error("usage: drop");
        }
        faults.dropNextAnswer = true;
        return said("the next answer is lost on the line");
    }
    if (verb == "delay") {
        const auto ms = words.size() == 2 ? number(words[1]) : std::nullopt;
        if (!ms || *ms == 0 || *ms > kLongestDelayMs) {
            return error("usage: delay MS, 1 to " + std::to_string(kLongestDelayMs));
        }
        faults.delayNextAnswer = std::chrono::milliseconds{*ms};
        return said("the next answer leaves " + words[1] + " ms late");
    }
    if (verb == "mute") {
        const auto on = onOff(words);
        if (!on) {
            return error("usage: mute on|off");
        }
        faults.mute = *on;
        return said(*on ? "the reader answers nothing" : "the reader answers again");
    }
    if (verb == "wrongspeed") {
        const auto on = onOff(words);
        if (!on) {
            return error("usage: wrongspeed on|off");
        }
        faults.wrongSpeed = *on;
        return said(*on ? "answers leave at a wrong line speed"
                        : "answers leave at the line speed");
    }
    if (verb == "pull") {
        if (words.size() != 1) {
            return error("usage: pull");
        }
        faults.pullAfterRead = true;
        return said("the cards leave the field after the next read");
    }
    if (verb == "tear") {
        const auto blocks = words.size() == 2 ? number(words[1]) : std::optional<unsigned>{0};
        if (words.size() > 2 || !blocks || *blocks > 3) {
            return error("usage: tear [BLOCKS], 0 to 3");
        }
        faults.tearNextWrite = *blocks;
        return said("the next write loses power after " + std::to_string(*blocks) + " block(s)");
    }
    if (verb == "vanish") {
        if (words.size() != 1) {
            return error("usage: vanish");
        }
        if (!faults.vanish) {
            return error("there is no line to close");
        }
        faults.vanish();
        return said("the pty is closed; the reader is gone");
    }
    if (verb == "faults") {
        if (words.size() == 2 && lowered(words[1]) == "clear") {
            return clearFaults(faults);
        }
        if (words.size() != 1) {
            return error("usage: faults [clear]");
        }
        return ConsoleReply{pending(faults), false};
    }
    return std::nullopt;
}

} // namespace kov450
