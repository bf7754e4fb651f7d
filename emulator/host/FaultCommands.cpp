#include "emulator/host/FaultCommands.h"

#include "emulator/host/ConsoleWords.h"
#include "emulator/host/ErrorLine.h"
#include "emulator/host/FaultActions.h"
#include "emulator/model/HexText.h"

#include <variant>

namespace kov450 {

namespace {

/// An action read from the console's words, or what is wrong with them.
using Parsed = std::variant<FaultAction, ActionRefused>;

ActionRefused usage(const std::string& text) {
    return {"usage: " + text};
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

/// A verb of no arguments.
template <typename Action>
Parsed alone(const std::vector<std::string>& words, const std::string& verb) {
    if (words.size() != 1) {
        return usage(verb);
    }
    return Action{};
}

Parsed noise(const std::vector<std::string>& words) {
    std::string joined;
    for (std::size_t at = 1; at < words.size(); ++at) {
        joined += words[at];
    }
    auto bytes = bytesOfHexText(joined);
    if (!bytes || bytes->empty()) {
        return usage("noise HEX, such as noise 00FF5A13");
    }
    return QueueNoise{*std::move(bytes)};
}

Parsed delay(const std::vector<std::string>& words) {
    const auto ms = words.size() == 2 ? number(words[1]) : std::nullopt;
    if (!ms || *ms == 0 || std::chrono::milliseconds{*ms} > kLongestDelay) {
        return usage("delay MS, 1 to " + std::to_string(kLongestDelay.count()));
    }
    return DelayNextAnswer{std::chrono::milliseconds{*ms}};
}

Parsed tear(const std::vector<std::string>& words) {
    const auto blocks = words.size() == 2 ? number(words[1]) : std::optional<unsigned>{0};
    if (words.size() > 2 || !blocks || *blocks > kMostTornBlocks) {
        return usage("tear [BLOCKS], 0 to " + std::to_string(kMostTornBlocks));
    }
    return TearNextWrite{*blocks};
}

/// The fault action the words ask for; nothing when the verb is no fault's.
std::optional<Parsed> parse(const std::vector<std::string>& words) {
    const std::string verb = lowered(words[0]);
    if (verb == "noise") {
        return noise(words);
    }
    // With more words, "corrupt" is no command: the console says it does not know it.
    if (verb == "corrupt" && words.size() == 1) {
        return CorruptNextAnswer{};
    }
    if (verb == "drop") {
        return alone<DropNextAnswer>(words, verb);
    }
    if (verb == "delay") {
        return delay(words);
    }
    if (verb == "mute" || verb == "wrongspeed") {
        const auto on = onOff(words);
        if (!on) {
            return usage(verb + " on|off");
        }
        return verb == "mute" ? FaultAction{MuteLine{*on}} : FaultAction{WrongLineSpeed{*on}};
    }
    if (verb == "pull") {
        return alone<PullAfterRead>(words, verb);
    }
    if (verb == "tear") {
        return tear(words);
    }
    if (verb == "vanish") {
        return alone<VanishLine>(words, verb);
    }
    if (verb == "faults") {
        if (words.size() != 2 || lowered(words[1]) != "clear") {
            return usage("faults [clear]");
        }
        return ClearFaults{};
    }
    return std::nullopt;
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
    // A question, not an action: nothing changes.
    if (lowered(words[0]) == "faults" && words.size() == 1) {
        return ConsoleReply{pending(faults), false};
    }
    const auto parsed = parse(words);
    if (!parsed) {
        return std::nullopt;
    }
    if (const auto* refused = std::get_if<ActionRefused>(&*parsed)) {
        return ConsoleReply{{errorLine(refused->reason)}, false};
    }
    return ConsoleReply{linesOf(perform(faults, std::get<FaultAction>(*parsed))), false};
}

} // namespace kov450
