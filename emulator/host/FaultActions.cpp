#include "emulator/host/FaultActions.h"

#include <string>

namespace kov450 {

namespace {

ActionResult said(std::string line) {
    return ActionDone{{std::move(line)}};
}

struct Performer {
    LineFaults& faults;

    ActionResult operator()(const QueueNoise& action) const {
        if (action.bytes.empty()) {
            return ActionRefused{"noise needs at least one byte"};
        }
        faults.noise.insert(faults.noise.end(), action.bytes.begin(), action.bytes.end());
        return said("noise of " + std::to_string(action.bytes.size()) +
                    " byte(s) goes ahead of the next answer");
    }
    ActionResult operator()(const CorruptNextAnswer&) const {
        faults.corruptNextAnswer = true;
        return said("the next answer goes out with a broken CRC");
    }
    ActionResult operator()(const DropNextAnswer&) const {
        faults.dropNextAnswer = true;
        return said("the next answer is lost on the line");
    }
    ActionResult operator()(const DelayNextAnswer& action) const {
        if (action.delay.count() < 1 || action.delay > kLongestDelay) {
            return ActionRefused{"an answer is held back 1 to " +
                                 std::to_string(kLongestDelay.count()) + " ms"};
        }
        faults.delayNextAnswer = action.delay;
        return said("the next answer leaves " + std::to_string(action.delay.count()) + " ms late");
    }
    ActionResult operator()(const MuteLine& action) const {
        faults.mute = action.on;
        return said(action.on ? "the reader answers nothing" : "the reader answers again");
    }
    ActionResult operator()(const WrongLineSpeed& action) const {
        faults.wrongSpeed = action.on;
        return said(action.on ? "answers leave at a wrong line speed"
                              : "answers leave at the line speed");
    }
    ActionResult operator()(const PullAfterRead&) const {
        faults.pullAfterRead = true;
        return said("the cards leave the field after the next read");
    }
    ActionResult operator()(const TearNextWrite& action) const {
        if (action.blocks > kMostTornBlocks) {
            return ActionRefused{"a torn write keeps 0 to " + std::to_string(kMostTornBlocks) +
                                 " whole blocks"};
        }
        faults.tearNextWrite = action.blocks;
        return said("the next write loses power after " + std::to_string(action.blocks) +
                    " block(s)");
    }
    ActionResult operator()(const VanishLine&) const {
        if (!faults.vanish) {
            return ActionRefused{"there is no line to close"};
        }
        faults.vanish();
        return said("the pty is closed; the reader is gone");
    }
    ActionResult operator()(const ClearFaults&) const {
        auto vanish = std::move(faults.vanish);
        faults = LineFaults{};
        faults.vanish = std::move(vanish);
        return said("faults cleared");
    }
};

} // namespace

ActionResult perform(LineFaults& faults, const FaultAction& action) {
    return std::visit(Performer{faults}, action);
}

} // namespace kov450
